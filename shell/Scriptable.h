#pragma once

#include <QString>

class QObject;

namespace orv {
class TDataSet;
}

namespace shell {

// What a screen offers a scripted session (erp-shell --script) besides its widgets: its data
// sets by name. The session finds the controls by object name on its own, and the data sets
// that data-aware controls show through those controls; a screen implements this for the data
// sets no control shows (a log, a lookup opened on demand).
//
//   class TFrmX : public orv::TfrmPadraoGrid, public shell::IScriptable {
//       orv::TDataSet* FindDataSet(const QString& name) override { ... }
//   };
class IScriptable {
public:
    virtual ~IScriptable() = default;
    // The screen's data set of that name (TDataSet::Name(), case-insensitive); null when none.
    virtual orv::TDataSet* FindDataSet(const QString& name) = 0;
};

// Data sets a window holds that neither the window nor its controls expose, for code that
// cannot implement IScriptable. The entry lives as long as the owner and the data set do.
void RegisterDataSet(QObject* owner, orv::TDataSet* dataSet);
void UnregisterDataSet(orv::TDataSet* dataSet);
// A registered data set of that name whose owner is the window or inside it (not inside one of
// its child windows); null when none.
orv::TDataSet* RegisteredDataSet(const QObject* window, const QString& name);

}  // namespace shell
