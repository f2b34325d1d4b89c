#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace orv {

// A screen's message table: lines "KEY|text". For a key that appears twice the first line wins.
class TMessages {
public:
    TMessages() = default;
    explicit TMessages(const QStringList& lines) { SetLines(lines); }

    void SetLines(const QStringList& lines);
    void Add(const QString& key, const QString& text);
    const std::vector<std::pair<QString, QString>>& Lines() const { return lines_; }
    int Count() const { return static_cast<int>(lines_.size()); }

    // The text of the key; the key itself when absent, so a missing line is visible, not blank.
    QString Msg(const QString& key) const;
    bool Contains(const QString& key) const;
    // Asks the text of the key as a yes/no question through the host; true for yes.
    bool ShowMsg(const QString& key) const;

private:
    std::vector<std::pair<QString, QString>> lines_;
};

}  // namespace orv
