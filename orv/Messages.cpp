#include "orv/Messages.h"

#include "orv/Host.h"

namespace orv {

void TMessages::SetLines(const QStringList& lines) {
    lines_.clear();
    for (const QString& line : lines) {
        const int bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0) continue;
        lines_.emplace_back(line.left(bar), line.mid(bar + 1));
    }
}

void TMessages::Add(const QString& key, const QString& text) { lines_.emplace_back(key, text); }

QString TMessages::Msg(const QString& key) const {
    for (const auto& [k, text] : lines_)
        if (k == key) return text;
    return key;
}

bool TMessages::Contains(const QString& key) const {
    for (const auto& line : lines_)
        if (line.first == key) return true;
    return false;
}

bool TMessages::ShowMsg(const QString& key) const { return Host().AskYesNo(Msg(key)); }

}  // namespace orv
