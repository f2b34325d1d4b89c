#pragma once
// What the clerks were handed and what they wrote, shared by all of them and read by the checks
// after the run.

#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <set>

namespace load {

class Ledger {
public:
    struct Written {
        QString item, bem;
        bool undone = false;
    };

    // A number the server handed out; a number it had handed out before is noted as a repeat.
    void Handed(const char* kind, const QString& number);
    void Confirmed(const QString& capa, const QString& item, const QString& bem);
    void Undone(const QString& capa);
    // Whether this header was written by the run (only those are undone, so the demo's
    // history stays as it was).
    bool WrittenByRun(const QString& capa) const;

    QStringList Repeats() const;
    std::map<QString, Written> Writes() const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::set<QString>> handed_;
    QStringList repeats_;
    std::map<QString, Written> writes_;  // by header number
};

}  // namespace load
