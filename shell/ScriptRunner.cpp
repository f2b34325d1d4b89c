#include "shell/ScriptRunner.h"

#include "orv/Csv.h"
#include "orv/Database.h"
#include "orv/Host.h"
#include "orv/Routines.h"
#include "orv/ScriptedHost.h"
#include "orv/widgets/Widgets.h"
#include "shell/MainWindow.h"
#include "shell/PickListDialog.h"
#include "shell/ScriptParser.h"
#include "shell/Scriptable.h"
#include "shell/ShellHost.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>

#include <algorithm>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <vector>

namespace shell {

namespace {

// Events that cascade (a queued call queuing another) settle within a few passes.
constexpr int kSettlePasses = 5;

const QString kDisabled = QStringLiteral("controle desabilitado");
const QString kHiddenPage = QStringLiteral("página não visível");

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString BoolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString Mismatch(const QString& expected, const QString& found) {
    return QStringLiteral("esperado %1, encontrado %2").arg(expected, found);
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// QTest warns about every key or mouse event no widget accepted (key releases, mostly): no news
// in a session, where the expectations say what happened.
QtMessageHandler g_previousHandler = nullptr;

void QuietInputWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && (text.startsWith(QLatin1String("Keyboard event not accepted")) ||
                                 text.startsWith(QLatin1String("Mouse event"))))
        return;
    if (g_previousHandler) g_previousHandler(type, context, text);
}

// The session's host: the script's queues, plus word of every question or pick list that
// nothing was queued for. A handler's guard turns that exception into a plain message, so the
// session learns of it here rather than from the exception.
class SessionHost : public orv::ScriptedHost {
public:
    QObject* mainWindow = nullptr;
    std::function<void(const QString&)> onUnexpected;

    QObject* MainWindow() override { return mainWindow; }
    // Recorded for "expect status", and shown where a clerk would read it (a screenshot shows it).
    void ShowStatus(const QString& text, int msecs) override {
        ScriptedHost::ShowStatus(text, msecs);
        if (auto* window = qobject_cast<QMainWindow*>(mainWindow)) window->statusBar()->showMessage(text, msecs);
    }
    bool AskYesNo(const QString& text) override {
        return Watch([&] { return ScriptedHost::AskYesNo(text); });
    }
    bool Pesquisar(orv::TDataSource& source, const QString& title) override {
        return Watch([&] { return ScriptedHost::Pesquisar(source, title); });
    }
    bool PesquisaLista(orv::TDataSource& source, const QString& keyField, const QString& title,
                       QString& list) override {
        return Watch([&] { return ScriptedHost::PesquisaLista(source, keyField, title, list); });
    }
    QString ChooseSaveFile(const QString& title, const QString& proposedName, const QString& filter) override {
        QString chosen;
        Watch([&] {
            chosen = ScriptedHost::ChooseSaveFile(title, proposedName, filter);
            return true;
        });
        return chosen;
    }

protected:
    int TypeIntoList(orv::TDataSet& ds, const QString& caption, const Typing& typing) override;
    bool TypeIntoTickList(orv::TDataSet& ds, const QString& caption, const QString& keyField, const Typing& typing,
                          QString& list) override;

private:
    template <class F>
    bool Watch(F call) {
        try {
            return call();
        } catch (const Unexpected& e) {
            if (onUnexpected) onUnexpected(QString::fromUtf8(e.what()));
            throw;
        }
    }
};

// A paste first asks the edit to start a user's change (a data-aware edit puts its data set into
// edit, or refuses); that step belongs to the edit and is protected, so it is named through a
// derived class as the edits' own descendants do.
struct EditAccess : orv::TCustomEdit {
    static bool Begin(orv::TCustomEdit& edit) {
        bool (orv::TCustomEdit::*begin)() = &EditAccess::BeginUserEdit;
        return (edit.*begin)();
    }
};

bool ParseKey(const QString& keyText, Qt::Key& key, Qt::KeyboardModifiers& modifiers) {
    static const QHash<QString, Qt::Key> names = {
        {QStringLiteral("enter"), Qt::Key_Return},     {QStringLiteral("return"), Qt::Key_Return},
        {QStringLiteral("tab"), Qt::Key_Tab},          {QStringLiteral("escape"), Qt::Key_Escape},
        {QStringLiteral("esc"), Qt::Key_Escape},       {QStringLiteral("up"), Qt::Key_Up},
        {QStringLiteral("down"), Qt::Key_Down},        {QStringLiteral("left"), Qt::Key_Left},
        {QStringLiteral("right"), Qt::Key_Right},      {QStringLiteral("delete"), Qt::Key_Delete},
        {QStringLiteral("backspace"), Qt::Key_Backspace}, {QStringLiteral("home"), Qt::Key_Home},
        {QStringLiteral("end"), Qt::Key_End},          {QStringLiteral("pageup"), Qt::Key_PageUp},
        {QStringLiteral("pagedown"), Qt::Key_PageDown}, {QStringLiteral("insert"), Qt::Key_Insert},
        {QStringLiteral("space"), Qt::Key_Space},
    };
    QStringList parts = keyText.toLower().split(QLatin1Char('+'));
    const QString name = parts.takeLast();
    modifiers = Qt::NoModifier;
    for (const QString& part : parts) {
        if (part == QLatin1String("ctrl")) modifiers |= Qt::ControlModifier;
        else if (part == QLatin1String("shift")) modifiers |= Qt::ShiftModifier;
        else if (part == QLatin1String("alt")) modifiers |= Qt::AltModifier;
        else return false;
    }
    if (auto it = names.find(name); it != names.end()) {
        key = *it;
        return true;
    }
    if (name.size() == 1 && ((name[0] >= QLatin1Char('a') && name[0] <= QLatin1Char('z')) ||
                             (name[0] >= QLatin1Char('0') && name[0] <= QLatin1Char('9')))) {
        key = static_cast<Qt::Key>(name[0].toUpper().unicode());
        return true;
    }
    bool ok = false;
    const int f = name.startsWith(QLatin1Char('f')) ? name.mid(1).toInt(&ok) : 0;
    if (!ok || f < 1 || f > 12) return false;
    key = static_cast<Qt::Key>(Qt::Key_F1 + f - 1);
    return true;
}

// The key a character is typed with; Latin-1 keys carry the upper-case code.
Qt::Key KeyOfChar(QChar c) {
    if (c == QLatin1Char(' ')) return Qt::Key_Space;
    if (c.unicode() < 0x100) return static_cast<Qt::Key>(c.toUpper().unicode());
    return Qt::Key_unknown;
}

// "TEXT KEY KEY..." as one argument, or TEXT KEY KEY... as several: the leading words that name
// no key (a single letter or digit is text here) are typed into the filter, the rest are keys.
QString ParseTyping(const QStringList& a, orv::ScriptedHost::Typing& typing) {
    QStringList words = a.mid(1);
    if (words.size() == 1) words = words.constFirst().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Qt::Key key{};
    Qt::KeyboardModifiers modifiers;
    QStringList text;
    qsizetype i = 0;
    for (; i < words.size() && (words[i].size() <= 1 || !ParseKey(words[i], key, modifiers)); ++i) text << words[i];
    for (; i < words.size(); ++i) {
        if (!ParseKey(words[i], key, modifiers)) return QStringLiteral("tecla desconhecida: ") + words[i];
        typing.keys << words[i];
    }
    if (typing.keys.isEmpty()) return QStringLiteral("uso: %1 \"TEXTO TECLA...\"").arg(a[0].toLower());
    typing.text = text.join(QLatin1Char(' '));
    return {};
}

// The real pick list as a clerk at the keyboard meets it: shown, the text typed into its filter,
// then the keys, each to the control that holds the focus in it; the keys must close it.
void TypeIntoDialog(PickListDialog& dialog, const QString& caption, const orv::ScriptedHost::Typing& typing) {
    using Unexpected = orv::ScriptedHost::Unexpected;
    auto target = [&dialog]() -> QWidget* {
        QWidget* focus = dialog.focusWidget();
        return focus ? focus : &dialog;
    };
    dialog.show();
    for (const QChar c : typing.text) QTest::sendKeyEvent(QTest::Click, target(), KeyOfChar(c), QString(c), Qt::NoModifier);
    for (const QString& name : typing.keys) {
        if (!dialog.isVisible())
            throw Unexpected(QStringLiteral("a lista \"%1\" fechou antes da tecla %2").arg(caption, name).toStdString());
        Qt::Key key{};
        Qt::KeyboardModifiers modifiers;
        ParseKey(name, key, modifiers);
        QTest::keyClick(target(), key, modifiers);
    }
    if (dialog.isVisible()) {
        dialog.hide();
        throw Unexpected(QStringLiteral("a lista \"%1\" ficou aberta depois das teclas").arg(caption).toStdString());
    }
}

QWidget* DialogParent() {
    QWidget* w = QApplication::activeModalWidget();
    return w ? w : QApplication::activeWindow();
}

int SessionHost::TypeIntoList(orv::TDataSet& ds, const QString& caption, const Typing& typing) {
    PickListDialog dialog(ds, caption, false, DialogParent());
    TypeIntoDialog(dialog, caption, typing);
    return dialog.result() == QDialog::Accepted ? dialog.ChosenRow() : -1;
}

bool SessionHost::TypeIntoTickList(orv::TDataSet& ds, const QString& caption, const QString& keyField,
                                   const Typing& typing, QString& list) {
    PickListDialog dialog(ds, caption, true, DialogParent());
    dialog.Tick(keyField, list.split(QLatin1Char('_'), Qt::SkipEmptyParts));
    TypeIntoDialog(dialog, caption, typing);
    if (dialog.result() != QDialog::Accepted) return false;
    list = dialog.Ticked(keyField).join(QLatin1Char('_'));
    return true;
}

orv::TDataSource* SourceOf(QWidget* widget) {
    if (auto* w = dynamic_cast<orv::TDBEdit*>(widget)) return w->DataSource();
    if (auto* w = dynamic_cast<orv::TDBDateEditPlus*>(widget)) return w->DataSource();
    if (auto* w = dynamic_cast<orv::TDBGrid*>(widget)) return w->DataSource();
    if (auto* w = dynamic_cast<orv::TDBText*>(widget)) return w->DataSource();
    if (auto* w = dynamic_cast<orv::TDBNavigator*>(widget)) return w->DataSource();
    if (auto* w = dynamic_cast<orv::TBtnPesquisa*>(widget)) return w->DataSource;
    return nullptr;
}

// A separate window is searched on its own, never as part of the window that parents it. A
// popup menu is the exception: its items belong to the window whose menu bar holds it.
bool SeparateWindow(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && !qobject_cast<QMenu*>(widget);
}

// Breadth-first, so the shallowest of two namesakes wins, in creation order.
void VisitWindow(QWidget* window, const std::function<bool(QObject*)>& visit) {
    if (visit(window)) return;
    std::deque<QObject*> queue(window->children().cbegin(), window->children().cend());
    while (!queue.empty()) {
        QObject* object = queue.front();
        queue.pop_front();
        if (SeparateWindow(object)) continue;
        if (visit(object)) return;
        for (QObject* child : object->children()) queue.push_back(child);
    }
}

// The widget a menu item acts in: the first ancestor that is not a popup menu.
QWidget* OwnerOf(QAction* action) {
    for (QObject* o = action->parent(); o; o = o->parent())
        if (auto* w = qobject_cast<QWidget*>(o); w && !qobject_cast<QMenu*>(w)) return w;
    return nullptr;
}

std::optional<QString> TextOf(QObject* object) {
    if (auto* sheet = dynamic_cast<orv::TTabSheet*>(object)) return sheet->Caption();
    if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* box = qobject_cast<QGroupBox*>(object)) return box->title();
    if (auto* action = qobject_cast<QAction*>(object)) return orv::WithoutMnemonic(action->text());
    if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow()) return widget->windowTitle();
    return std::nullopt;
}

QString StateName(orv::DataSetState state) {
    switch (state) {
    case orv::DataSetState::Inactive: return QStringLiteral("inactive");
    case orv::DataSetState::Browse: return QStringLiteral("browse");
    case orv::DataSetState::Edit: return QStringLiteral("edit");
    case orv::DataSetState::Insert: return QStringLiteral("insert");
    }
    return {};
}

QString NameOf(QObject* object) {
    if (!object) return QStringLiteral("nenhum");
    return object->objectName().isEmpty() ? QString::fromLatin1(object->metaObject()->className())
                                          : object->objectName();
}

// Steps through the lines on the event loop, one queued call per line, so that a command that
// opens a modal dialog (exec) leaves the script running inside the dialog's own loop.
class Session : public QObject {
public:
    Session(QList<ScriptLine> lines, QString folder, MainWindow& main, SessionHost& host, std::ostream& out,
            LoginStep login)
        : lines_(std::move(lines)),
          status_(static_cast<size_t>(lines_.size()), Status::Pending),
          folder_(std::move(folder)),
          main_(main),
          host_(host),
          out_(out),
          login_(std::move(login)) {}

    int Run() {
        g_previousHandler = qInstallMessageHandler(QuietInputWarnings);
        qApp->installEventFilter(this);
        host_.onMessage = [this](const QString& text) {
            // The guard's report of a question nothing was queued for is that failure, not a message.
            if (suppressed_.removeOne(text)) return;
            pending_ << text;
        };
        host_.onUnexpected = [this](const QString& text) {
            unexpected_ << text;
            suppressed_ << text;
        };

        if (login_)
            LogIn();
        else
            Start();
        PostStep();
        loop_.exec();

        host_.onMessage = nullptr;
        host_.onUnexpected = nullptr;
        qApp->removeEventFilter(this);
        qInstallMessageHandler(g_previousHandler);

        const auto passed = std::count(status_.begin(), status_.end(), Status::Passed);
        const auto failed = std::count(status_.begin(), status_.end(), Status::Failed) + outsideFailures_;
        out_ << passed << " passed, " << failed << " failed" << std::endl;
        return failed == 0 ? 0 : 1;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show && event->type() != QEvent::WindowActivate) return false;
        auto* window = qobject_cast<QWidget*>(watched);
        if (!window || !window->isWindow()) return false;
        Raise(window);
        // A modal dialog shown while a command runs is most likely entering exec(): look again from
        // inside its loop.
        if (event->type() == QEvent::Show && window->isModal() && !frames_.empty() && !frames_.back()->detached) {
            const int id = frames_.back()->id;
            QMetaObject::invokeMethod(this, [this, id] { Continue(id); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    enum class Status { Pending, Passed, Failed };

    // A command being carried out. A command left waiting in a modal dialog is detached: the
    // script goes on in the dialog's loop and the command returns when the dialog closes.
    struct Frame {
        int id = 0;
        int line = 0;
        QPointer<QWidget> modalAtStart;
        QPointer<QWidget> blockedOn;
        bool detached = false;
    };

    // --- stepping ---------------------------------------------------------------------------------

    void Start() {
        if (!main_.isVisible()) main_.show();
        QList<QWidget*> windows = QApplication::topLevelWidgets();
        std::stable_sort(windows.begin(), windows.end(),
                  [](QWidget* a, QWidget* b) { return a->objectName() < b->objectName(); });
        for (QWidget* w : windows) order_ << w;
        if (QWidget* active = QApplication::activeWindow()) Raise(active);
        QWidget* first = ActiveScreen();
        Activate(first ? first : &main_);
        Settle();
    }

    // The login dialog comes first, as the shell shows it before the menu; the script's first
    // lines run inside it, as inside any dialog a command opened.
    void LogIn() {
        Frame frame;
        frame.id = ++lastFrameId_;
        frame.line = kBeforeFirstLine;
        frame.modalAtStart = QApplication::activeModalWidget();
        frames_.push_back(&frame);
        bool in = false;
        try {
            in = login_();
        } catch (const std::exception& e) {
            unexpected_ << QString::fromUtf8(e.what());
        }
        frames_.pop_back();
        // The script went on in the dialog and waits for the menu, whatever step it had queued.
        CancelStep();
        if (in) {
            Start();
            return;
        }
        for (; next_ < lines_.size(); ++next_) Fail(next_, QStringLiteral("o operador não entrou no sistema"));
    }

    void PostStep() {
        if (stepPosted_ || finished_) return;
        stepPosted_ = true;
        const int token = ++stepToken_;
        QMetaObject::invokeMethod(
            this,
            [this, token] {
                if (token != stepToken_) return;
                stepPosted_ = false;
                Step();
            },
            Qt::QueuedConnection);
    }

    void CancelStep() {
        if (!stepPosted_) return;
        stepPosted_ = false;
        ++stepToken_;
    }

    void Step() {
        if (finished_) return;
        if (!frames_.empty()) {
            // Only from inside an open dialog whose command waits in it; a command that is still
            // running, or whose dialog has closed, posts the next step when it returns.
            const Frame* top = frames_.back();
            if (!top->detached || !top->blockedOn || !top->blockedOn->isVisible()) return;
        }
        if (next_ >= lines_.size()) {
            Finish();
            return;
        }
        Execute(next_++);
    }

    void Execute(int index) {
        const ScriptLine& line = lines_[index];
        const QString command = line.args.value(0).toLower();
        const QString what = line.args.value(1).toLower();
        const bool messageCheck = command == QLatin1String("expect") &&
                                  (what == QLatin1String("message") || what == QLatin1String("nomessage"));
        if (!messageCheck) FinalizeMessages();
        if (!line.error.isEmpty()) {
            Fail(index, line.error);
        } else if (IsAction(command)) {
            RunAction(index);
            return;
        } else {
            QString failure;
            if (command == QLatin1String("expect"))
                failure = Expect(line.args);
            else if (command == QLatin1String("answer") || command == QLatin1String("pick") ||
                     command == QLatin1String("pickmany") || command == QLatin1String("savefile") ||
                     command == QLatin1String("pickexport") || command == QLatin1String("pickkeys") ||
                     command == QLatin1String("pickmanykeys"))
                failure = Queue(index, line.args);
            else
                failure = QStringLiteral("comando desconhecido");
            if (failure.isEmpty())
                Pass(index);
            else
                Fail(index, failure);
        }
        PostStep();
    }

    static bool IsAction(const QString& command) {
        static const QStringList actions = {"open", "close", "focus", "set", "type", "key", "click", "menu", "cell",
                                            "cellbutton", "grid", "screenshot"};
        return actions.contains(command);
    }

    void RunAction(int index) {
        owner_ = index;
        Frame frame;
        frame.id = ++lastFrameId_;
        frame.line = index;
        frame.modalAtStart = QApplication::activeModalWidget();
        frames_.push_back(&frame);
        QString failure;
        try {
            failure = Act(lines_[index].args);
        } catch (const orv::ScriptedHost::Unexpected&) {
            // Already taken down by the host's hook.
        } catch (const orv::EAbort&) {
            // Its message was shown: the messages tell.
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        } catch (...) {
            failure = QStringLiteral("erro inesperado");
        }
        // Still on the stack while settling: a dialog a queued call opens is caught as well.
        if (!frame.detached) Settle();
        frames_.pop_back();
        if (!frame.detached) {
            Complete(index, failure);
            PostStep();
            return;
        }
        // The dialog closed and the command ran to its end; the script went on meanwhile and
        // waits for this return, whatever step it had queued.
        if (!failure.isEmpty()) Fail(index, failure);
        CancelStep();
        Settle();
        PostStep();
    }

    // Runs inside the loop of a modal dialog that was shown while a command ran.
    void Continue(int frameId) {
        if (frames_.empty()) return;
        Frame* top = frames_.back();
        if (top->id != frameId || top->detached) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == top->modalAtStart || !modal->isVisible()) return;
        top->detached = true;
        top->blockedOn = modal;
        Settle();
        Complete(top->line, QString());
        PostStep();
    }

    void Settle() {
        for (int i = 0; i < kSettlePasses; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    void Finish() {
        if (!ending_) {
            ending_ = true;
            FinalizeMessages();
        }
        if (!frames_.empty()) {
            // Dialogs the script left open: hiding one ends its exec() without asking the screen,
            // and the command waiting in it returns and steps on.
            if (QWidget* dialog = frames_.back()->blockedOn) dialog->hide();
            return;
        }
        // Whatever closing those dialogs showed is no part of the script.
        pending_.clear();
        unexpected_.clear();
        CheckLeftovers();
        finished_ = true;
        loop_.quit();
    }

    // --- results ----------------------------------------------------------------------------------

    void Pass(int index) {
        if (index == kBeforeFirstLine) return;
        if (status_[static_cast<size_t>(index)] != Status::Failed) status_[static_cast<size_t>(index)] = Status::Passed;
    }

    void Fail(int index, const QString& reason) {
        const ScriptLine& line = lines_[index];
        // One line per failure, whatever line breaks a message carries.
        const QString flat = QString(reason).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out_ << QStringLiteral("linha %1: %2: %3").arg(line.number).arg(line.text, flat).toStdString() << std::endl;
        status_[static_cast<size_t>(index)] = Status::Failed;
    }

    void Complete(int index, const QString& failure) {
        QStringList reasons;
        if (!failure.isEmpty()) reasons << failure;
        reasons << unexpected_;
        unexpected_.clear();
        if (index == kBeforeFirstLine && !reasons.isEmpty()) {
            out_ << QStringLiteral("início do roteiro: %1").arg(reasons.join(QStringLiteral("; "))).toStdString()
                 << std::endl;
            ++outsideFailures_;
            return;
        }
        if (reasons.isEmpty())
            Pass(index);
        else
            Fail(index, reasons.join(QStringLiteral("; ")));
    }

    // The messages of the last command that no expectation took, and questions it asked late
    // (after a dialog it waited in closed), fail that command.
    void FinalizeMessages() {
        QStringList reasons = unexpected_;
        unexpected_.clear();
        suppressed_.clear();
        if (!pending_.isEmpty()) {
            QStringList texts;
            for (const QString& text : pending_) texts << Quoted(text);
            reasons << QStringLiteral("mensagem não esperada: ") + texts.join(QStringLiteral(", "));
            pending_.clear();
        }
        if (reasons.isEmpty()) return;
        if (owner_ >= 0) {
            Fail(owner_, reasons.join(QStringLiteral("; ")));
        } else {
            out_ << QStringLiteral("início do roteiro: %1").arg(reasons.join(QStringLiteral("; "))).toStdString()
                 << std::endl;
            ++outsideFailures_;
        }
    }

    void CheckLeftovers() {
        // The queues are first in, first out: what is left came from the last lines that queued.
        auto report = [this](size_t left, const std::vector<int>& lines, const QString& reason) {
            for (size_t i = lines.size() - std::min(left, lines.size()); i < lines.size(); ++i) Fail(lines[i], reason);
        };
        report(host_.answers.size(), answerLines_, QStringLiteral("resposta preparada e não usada"));
        report(host_.picks.size(), pickLines_, QStringLiteral("escolha preparada e não usada"));
        report(host_.pickManys.size(), pickManyLines_, QStringLiteral("marcação preparada e não usada"));
        report(host_.saveFiles.size(), saveFileLines_, QStringLiteral("nome de arquivo preparado e não usado"));
        report(host_.listExports.size(), listExportLines_, QStringLiteral("exportação de lista preparada e não usada"));
    }

    // --- windows and names ------------------------------------------------------------------------

    void Raise(QWidget* window) {
        order_.removeIf([window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
        order_.prepend(window);
    }

    bool IsScreen(QWidget* w) const {
        return w && w != &main_ && w->isWindow() && w->isVisible() && !w->isModal() &&
               (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
    }

    // The topmost screen: the last shown or activated that is still open.
    QWidget* ActiveScreen() const {
        for (const QPointer<QWidget>& w : order_)
            if (IsScreen(w)) return w;
        return nullptr;
    }

    static QWidget* OpenModal() {
        QWidget* modal = QApplication::activeModalWidget();
        return modal && modal->isVisible() ? modal : nullptr;
    }

    // Where names are looked up, in order.
    QList<QWidget*> Windows() const {
        QList<QWidget*> windows;
        if (QWidget* modal = OpenModal()) windows << modal;
        if (QWidget* screen = ActiveScreen(); screen && !windows.contains(screen)) windows << screen;
        if (!windows.contains(&main_)) windows << &main_;
        return windows;
    }

    QObject* FindObject(const QString& name) const {
        for (QWidget* window : Windows()) {
            QObject* found = nullptr;
            VisitWindow(window, [&](QObject* o) {
                if (!SameName(o->objectName(), name)) return false;
                found = o;
                return true;
            });
            if (found) return found;
        }
        return nullptr;
    }

    orv::TDataSet* FindDataSet(const QString& name) const {
        for (QWidget* window : Windows()) {
            if (auto* scriptable = dynamic_cast<IScriptable*>(window))
                if (orv::TDataSet* ds = scriptable->FindDataSet(name)) return ds;
            if (orv::TDataSet* ds = RegisteredDataSet(window, name)) return ds;
            orv::TDataSet* found = nullptr;
            VisitWindow(window, [&](QObject* o) {
                orv::TDataSource* source = SourceOf(qobject_cast<QWidget*>(o));
                orv::TDataSet* ds = source ? source->DataSet() : nullptr;
                if (!ds || (!SameName(ds->Name(), name) && !SameName(source->Name(), name))) return false;
                found = ds;
                return true;
            });
            if (found) return found;
        }
        return nullptr;
    }

    void Activate(QWidget* window) {
        if (!window || !window->isVisible() || QApplication::activeWindow() == window) return;
        window->activateWindow();
        QApplication::setActiveWindow(window);
        // Some window managers never report it; the command then goes on as it is.
        static_cast<void>(QTest::qWaitForWindowActive(window));
    }

    // Why a user could not act on the widget now; empty when they could.
    QString Unusable(QWidget* widget) const {
        if (QWidget* modal = OpenModal(); modal && widget->window() != modal)
            return QStringLiteral("janela bloqueada pelo diálogo aberto");
        for (QWidget* w = widget; w; w = w->parentWidget()) {
            if (auto* sheet = dynamic_cast<orv::TTabSheet*>(w); sheet && sheet->PageControl()->ActivePage() != sheet)
                return kHiddenPage;
            if (w->isWindow()) break;
        }
        if (!widget->isEnabled()) return kDisabled;
        if (!widget->isVisible()) return QStringLiteral("controle não visível");
        return {};
    }

    QString Unusable(QAction* action) const {
        QWidget* owner = OwnerOf(action);
        if (owner)
            if (QWidget* modal = OpenModal(); modal && owner->window() != modal)
                return QStringLiteral("janela bloqueada pelo diálogo aberto");
        if (!action->isEnabled() || (owner && !owner->window()->isEnabled())) return kDisabled;
        if (!action->isVisible()) return QStringLiteral("controle não visível");
        return {};
    }

    static bool FocusInside(QWidget* widget) {
        QWidget* focus = QApplication::focusWidget();
        return focus && (focus == widget || widget->isAncestorOf(focus));
    }

    static QString FocusMissed() {
        QWidget* focus = QApplication::focusWidget();
        return QStringLiteral("o foco não chegou ao controle (está em %1)")
            .arg(NameOf(focus ? orv::ControlOf(focus) : nullptr));
    }

    // --- actions ----------------------------------------------------------------------------------

    QString Act(const QStringList& a) {
        const QString command = a[0].toLower();
        auto usage = [](const char* text) { return QStringLiteral("uso: ") + QString::fromUtf8(text); };
        if (command == QLatin1String("open")) return a.size() == 2 ? Open(a[1]) : usage("open MÓDULO");
        if (command == QLatin1String("close")) return a.size() == 1 ? Close() : usage("close");
        if (command == QLatin1String("screenshot"))
            return a.size() == 2 ? Screenshot(a[1]) : usage("screenshot ARQUIVO.png");

        static const QHash<QString, int> counts = {{"focus", 2}, {"set", 3},  {"type", 3},       {"key", 3},
                                                   {"click", 2}, {"menu", 3}, {"cell", 5}, {"cellbutton", 4},
                                                   {"grid", 3}};
        static const QHash<QString, const char*> usages = {
            {"focus", "focus CONTROLE"},   {"set", "set CONTROLE TEXTO"}, {"menu", "menu CONTROLE \"ITEM\""},
            {"type", "type CONTROLE TEXTO"}, {"key", "key CONTROLE TECLA"},
            {"click", "click CONTROLE"},   {"cell", "cell GRADE LINHA CAMPO TEXTO"},
            {"cellbutton", "cellbutton GRADE LINHA CAMPO"}, {"grid", "grid GRADE LINHA"}};
        if (a.size() != counts.value(command)) return usage(usages.value(command));
        QObject* target = FindObject(a[1]);
        if (!target) return QStringLiteral("controle não encontrado: ") + a[1];
        if (command == QLatin1String("click")) return Click(target);
        auto* widget = qobject_cast<QWidget*>(target);
        if (!widget) return QStringLiteral("%1 não é um controle de tela").arg(a[1]);
        if (command == QLatin1String("menu")) return ContextMenu(widget, a[2]);
        if (command == QLatin1String("focus")) return Focus(widget);
        if (command == QLatin1String("set")) return Set(widget, a[2]);
        if (command == QLatin1String("type")) return Type(widget, a[2]);
        if (command == QLatin1String("key")) return Key(widget, a[2]);
        if (command == QLatin1String("cell")) return Cell(widget, a[2], a[3], a[4]);
        if (command == QLatin1String("cellbutton")) return CellButton(widget, a[2], a[3]);
        return Grid(widget, a[2]);
    }

    QString Open(const QString& code) {
        if (OpenModal()) return QStringLiteral("janela bloqueada pelo diálogo aberto");
        QString error;
        if (!main_.OpenModule(code, &error)) return error;
        Settle();
        QWidget* screen = ActiveScreen();
        if (!screen) return QStringLiteral("o módulo %1 não abriu nenhuma tela").arg(code);
        Activate(screen);
        return {};
    }

    QString Close() {
        QWidget* window = OpenModal();
        if (!window) window = ActiveScreen();
        if (!window) return QStringLiteral("nenhuma tela aberta");
        window->close();
        return {};
    }

    QString Screenshot(const QString& file) {
        QWidget* window = Windows().constFirst();
        const QString path = QDir(folder_).absoluteFilePath(file);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!window->grab().save(path, "PNG")) return QStringLiteral("não foi possível gravar ") + path;
        return {};
    }

    QString Focus(QWidget* widget) {
        if (QString why = Unusable(widget); !why.isEmpty()) return why;
        Activate(widget->window());
        orv::FocusControl(widget);
        return {};
    }

    QString Set(QWidget* widget, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (!edit) return QStringLiteral("o controle não é um campo de texto");
        if (QString why = Unusable(edit); !why.isEmpty()) return why;
        if (edit->isReadOnly()) return QStringLiteral("controle somente leitura");
        // A refused change (a data set that cannot be edited) leaves the text, as a paste would.
        if (auto* custom = dynamic_cast<orv::TCustomEdit*>(edit); custom && !EditAccess::Begin(*custom)) return {};
        // insert() goes through the validator (mask, case) and the maximum length, as typing does.
        edit->selectAll();
        edit->insert(text);
        return {};
    }

    QString Type(QWidget* widget, const QString& text) {
        if (QString why = Unusable(widget); !why.isEmpty()) return why;
        Activate(widget->window());
        orv::FocusControl(widget);
        if (!FocusInside(widget)) return FocusMissed();
        for (const QChar c : text) {
            // A key filter may move the focus on; the next key goes where the focus is.
            QWidget* to = QApplication::focusWidget();
            if (!to) break;
            QTest::sendKeyEvent(QTest::Click, to, KeyOfChar(c), QString(c), Qt::NoModifier);
        }
        return {};
    }

    QString Key(QWidget* widget, const QString& keyText) {
        Qt::Key key{};
        Qt::KeyboardModifiers modifiers;
        if (!ParseKey(keyText, key, modifiers)) return QStringLiteral("tecla desconhecida: ") + keyText;
        if (QString why = Unusable(widget); !why.isEmpty()) return why;
        Activate(widget->window());
        if (!FocusInside(widget)) orv::FocusControl(widget);
        if (!FocusInside(widget)) return FocusMissed();
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return {};
    }

    QString Click(QObject* target) {
        if (auto* sheet = dynamic_cast<orv::TTabSheet*>(target)) return ClickPage(sheet);
        if (auto* action = qobject_cast<QAction*>(target)) {
            if (QString why = Unusable(action); !why.isEmpty()) return why;
            if (QWidget* owner = OwnerOf(action)) Activate(owner->window());
            action->trigger();
            return {};
        }
        auto* button = qobject_cast<QAbstractButton*>(target);
        if (!button) return QStringLiteral("o controle não aceita clique");
        if (QString why = Unusable(button); !why.isEmpty()) return why;
        Activate(button->window());
        if (button->focusPolicy() & Qt::ClickFocus) {
            orv::FocusControl(button);
            // An exit handler that keeps the focus where it was takes the click with it.
            if (!FocusInside(button)) return {};
        }
        button->click();
        return {};
    }

    // An item of the control's context menu, as a right click and a click on the item choose it.
    // The item is named by its text; "&" and a closing "…" or "..." may be left out.
    QString ContextMenu(QWidget* widget, const QString& itemText) {
        if (QString why = Unusable(widget); !why.isEmpty()) return why;
        if (widget->contextMenuPolicy() != Qt::ActionsContextMenu) return QStringLiteral("o controle não tem menu de contexto");
        auto plain = [](QString text) {
            text.remove(QLatin1Char('&'));
            if (text.endsWith(QStringLiteral("…"))) text.chop(1);
            if (text.endsWith(QLatin1String("..."))) text.chop(3);
            return text.trimmed();
        };
        for (QAction* action : widget->actions()) {
            if (!action->isVisible() || plain(action->text()).compare(plain(itemText), Qt::CaseInsensitive) != 0) continue;
            if (!action->isEnabled()) return kDisabled;
            Activate(widget->window());
            // A right click gives the control the focus first, as the mouse would.
            if (!FocusInside(widget)) orv::FocusControl(widget);
            action->trigger();
            return {};
        }
        return QStringLiteral("o menu de contexto não tem o item ") + itemText;
    }

    // As a click on the tab: through the page control's own handling, so OnChanging/OnChange run.
    QString ClickPage(orv::TTabSheet* sheet) {
        orv::TPageControl* pages = sheet->PageControl();
        if (QString why = Unusable(pages); !why.isEmpty()) return why;
        if (!sheet->Enabled()) return kDisabled;
        if (!sheet->TabVisible()) return kHiddenPage;
        if (pages->ActivePage() == sheet) return {};
        Activate(pages->window());
        QTabBar* bar = pages->tabBar();
        const QRect tab = bar->tabRect(sheet->PageIndex());
        if (!tab.isValid()) return kHiddenPage;
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, tab.center());
        return {};
    }

    static int RowArgument(const QString& text, orv::TDBGrid* grid, QString& failure) {
        bool ok = false;
        const int row = text.toInt(&ok);
        if (!ok || row < 1 || row > grid->Model()->rowCount()) {
            failure = QStringLiteral("a grade não tem a linha %1 (tem %2)").arg(text).arg(grid->Model()->rowCount());
            return -1;
        }
        return row - 1;
    }

    // The visible column bound to the field; -1 when there is none.
    static int VisibleColumn(orv::TDBGrid* grid, const QString& fieldName) {
        for (int i = 0; i < grid->ColumnCount(); ++i)
            if (grid->Columns(i).Visible && SameName(grid->Columns(i).FieldName, fieldName)) return i;
        return -1;
    }

    // Puts the focus in the grid as a click on it would.
    QString EnterGrid(orv::TDBGrid* grid) {
        Activate(grid->window());
        if (!FocusInside(grid)) orv::FocusControl(grid);
        return FocusInside(grid) ? QString() : FocusMissed();
    }

    QString Grid(QWidget* widget, const QString& rowText) {
        auto* grid = dynamic_cast<orv::TDBGrid*>(widget);
        if (!grid) return QStringLiteral("o controle não é uma grade");
        if (QString why = Unusable(grid); !why.isEmpty()) return why;
        QString failure;
        const int row = RowArgument(rowText, grid, failure);
        if (row < 0) return failure;
        if (QString why = EnterGrid(grid); !why.isEmpty()) return why;
        grid->setCurrentIndex(grid->Model()->index(row, std::max(0, grid->SelectedIndex())));
        return {};
    }

    QString Cell(QWidget* widget, const QString& rowText, const QString& fieldName, const QString& text) {
        auto* grid = dynamic_cast<orv::TDBGrid*>(widget);
        if (!grid) return QStringLiteral("o controle não é uma grade");
        if (QString why = Unusable(grid); !why.isEmpty()) return why;
        if (!grid->Editing()) return QStringLiteral("a grade não é editável");
        QString failure;
        const int row = RowArgument(rowText, grid, failure);
        if (row < 0) return failure;
        const int column = VisibleColumn(grid, fieldName);
        if (column < 0) return QStringLiteral("a grade não tem a coluna ") + fieldName;
        if (QString why = EnterGrid(grid); !why.isEmpty()) return why;
        const QModelIndex cell = grid->Model()->index(row, column);
        grid->setCurrentIndex(cell);
        // The screen may refuse to leave the row it is on; the user then stays there too.
        if (grid->currentIndex() != cell) return {};
        if (!(grid->Model()->flags(cell) & Qt::ItemIsEditable)) return QStringLiteral("célula somente leitura");
        grid->edit(cell);
        QLineEdit* editor = CellEditor(grid);
        if (!editor) return {};  // the data set refused the edit, as it would refuse the user's keys
        editor->selectAll();
        editor->insert(text);
        grid->CommitEditor();
        return {};
    }

    // The "..." of a cell, as the keyboard reaches it: the cell chosen, then Ctrl+Enter. An empty
    // grid takes row 1 (the button may start its first row).
    QString CellButton(QWidget* widget, const QString& rowText, const QString& fieldName) {
        auto* grid = dynamic_cast<orv::TDBGrid*>(widget);
        if (!grid) return QStringLiteral("o controle não é uma grade");
        if (QString why = Unusable(grid); !why.isEmpty()) return why;
        QString failure;
        const bool empty = grid->Model()->rowCount() == 0;
        const int row = empty && rowText == QLatin1String("1") ? 0 : RowArgument(rowText, grid, failure);
        if (row < 0) return failure;
        const int column = VisibleColumn(grid, fieldName);
        if (column < 0) return QStringLiteral("a grade não tem a coluna ") + fieldName;
        if (QString why = EnterGrid(grid); !why.isEmpty()) return why;
        if (empty)
            grid->SetSelectedIndex(column);
        else
            grid->setCurrentIndex(grid->Model()->index(row, column));
        // The screen may refuse to leave the cell it is on; the user then stays there too.
        if (grid->SelectedIndex() != column) return {};
        // Looked at once the cell is entered: a screen may give a column its button only then.
        if (grid->Columns(column).ButtonStyle != orv::TColumnButtonStyle::Ellipsis)
            return QStringLiteral("a coluna %1 não tem botão").arg(fieldName);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        return {};
    }

    static QLineEdit* CellEditor(orv::TDBGrid* grid) {
        if (auto* focus = qobject_cast<QLineEdit*>(QApplication::focusWidget()); focus && grid->isAncestorOf(focus))
            return focus;
        const auto editors = grid->viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
        for (auto it = editors.crbegin(); it != editors.crend(); ++it)
            if ((*it)->isVisible()) return *it;
        return nullptr;
    }

    // --- queued answers ---------------------------------------------------------------------------

    QString Queue(int index, const QStringList& a) {
        const QString command = a[0].toLower();
        if (command == QLatin1String("answer")) {
            const QString answer = a.value(1).toLower();
            if (a.size() != 2 || (answer != QLatin1String("yes") && answer != QLatin1String("no")))
                return QStringLiteral("uso: answer yes|no");
            host_.answers.push_back(answer == QLatin1String("yes"));
            answerLines_.push_back(index);
            return {};
        }
        if (command == QLatin1String("pick")) {
            const QString choice = a.value(1);
            const qsizetype equals = choice.indexOf(QLatin1Char('='));
            orv::ScriptedHost::Pick pick;
            if (a.size() == 2 && SameName(choice, QStringLiteral("none"))) {
                pick.none = true;
            } else if (a.size() == 2 && equals > 0) {
                pick.field = choice.left(equals);
                pick.value = choice.mid(equals + 1);
            } else {
                return QStringLiteral("uso: pick CAMPO=VALOR | pick none");
            }
            host_.picks.push_back(pick);
            pickLines_.push_back(index);
            return {};
        }
        if (command == QLatin1String("savefile")) {
            if (a.size() != 2) return QStringLiteral("uso: savefile ARQUIVO | savefile none");
            orv::ScriptedHost::SaveFile file;
            if (SameName(a[1], QStringLiteral("none")))
                file.none = true;
            else
                file.path = QDir(folder_).absoluteFilePath(a[1]);
            host_.saveFiles.push_back(file);
            saveFileLines_.push_back(index);
            return {};
        }
        if (command == QLatin1String("pickkeys") || command == QLatin1String("pickmanykeys")) {
            orv::ScriptedHost::Typing typing;
            if (QString failure = ParseTyping(a, typing); !failure.isEmpty()) return failure;
            if (command == QLatin1String("pickkeys")) {
                orv::ScriptedHost::Pick pick;
                pick.typing = typing;
                host_.picks.push_back(pick);
                pickLines_.push_back(index);
            } else {
                orv::ScriptedHost::PickMany pick;
                pick.typing = typing;
                host_.pickManys.push_back(pick);
                pickManyLines_.push_back(index);
            }
            return {};
        }
        if (command == QLatin1String("pickexport")) {
            if (a.size() != 2) return QStringLiteral("uso: pickexport ARQUIVO");
            host_.listExports.push_back(QDir(folder_).absoluteFilePath(a[1]));
            listExportLines_.push_back(index);
            return {};
        }
        orv::ScriptedHost::PickMany pick;
        if (a.size() == 2 && SameName(a[1], QStringLiteral("none"))) {
            pick.none = true;
        } else {
            for (qsizetype i = 1; i < a.size(); ++i) pick.keys << a[i].split(QLatin1Char('_'), Qt::SkipEmptyParts);
            if (pick.keys.isEmpty()) return QStringLiteral("uso: pickmany CHAVE_CHAVE... | pickmany none");
        }
        host_.pickManys.push_back(pick);
        pickManyLines_.push_back(index);
        return {};
    }

    // --- expectations -----------------------------------------------------------------------------

    QString Expect(const QStringList& a) {
        const QString what = a.value(1).toLower();
        static const QHash<QString, int> counts = {
            {"message", 3}, {"nomessage", 2}, {"text", 4}, {"enabled", 4}, {"checked", 4}, {"focus", 3}, {"page", 3},
            {"title", 3},   {"field", 4},     {"rows", 4}, {"state", 4},   {"list", 3},    {"sql", 4},
            {"savefile", 3}, {"csv", 5},      {"csvrows", 4}, {"picked", 3}, {"status", 3}};
        static const QHash<QString, const char*> usages = {
            {"message", "expect message \"TEXTO\""},     {"nomessage", "expect nomessage"},
            {"text", "expect text CONTROLE \"TEXTO\""}, {"enabled", "expect enabled CONTROLE true|false"},
            {"checked", "expect checked CONTROLE true|false"}, {"focus", "expect focus CONTROLE"},
            {"page", "expect page PÁGINA"},             {"title", "expect title \"TEXTO\""},
            {"field", "expect field DADOS.CAMPO \"TEXTO\""}, {"rows", "expect rows DADOS N"},
            {"state", "expect state DADOS inactive|browse|edit|insert"}, {"list", "expect list \"A|B|...\""},
            {"sql", "expect sql \"SELECT ...\" \"VALOR\""}, {"savefile", "expect savefile \"NOME\""},
            {"csv", "expect csv ARQUIVO LINHA \"A|B|...\""}, {"csvrows", "expect csvrows ARQUIVO N"},
            {"picked", "expect picked \"TEXTO\""}, {"status", "expect status \"TEXTO\""}};
        if (!counts.contains(what)) return QStringLiteral("expectativa desconhecida: ") + a.value(1);
        if (a.size() != counts.value(what)) return QStringLiteral("uso: ") + QString::fromUtf8(usages.value(what));

        if (what == QLatin1String("message")) {
            if (pending_.isEmpty()) return Mismatch(Quoted(a[2]), QStringLiteral("nenhuma mensagem"));
            const QString shown = pending_.takeFirst();
            return shown == a[2] ? QString() : Mismatch(Quoted(a[2]), Quoted(shown));
        }
        if (what == QLatin1String("nomessage")) {
            if (pending_.isEmpty()) return {};
            QStringList texts;
            for (const QString& text : pending_) texts << Quoted(text);
            pending_.clear();
            return Mismatch(QStringLiteral("nenhuma mensagem"), texts.join(QStringLiteral(", ")));
        }
        if (what == QLatin1String("title")) {
            const QString title = Windows().constFirst()->windowTitle();
            return title == a[2] ? QString() : Mismatch(Quoted(a[2]), Quoted(title));
        }
        if (what == QLatin1String("list")) {
            const QString offered = host_.lastList.join(QLatin1Char('|'));
            return offered == a[2] ? QString() : Mismatch(Quoted(a[2]), Quoted(offered));
        }
        if (what == QLatin1String("picked"))
            return host_.lastPicked == a[2] ? QString() : Mismatch(Quoted(a[2]), Quoted(host_.lastPicked));
        if (what == QLatin1String("sql")) return ExpectSql(a[2], a[3]);
        if (what == QLatin1String("status")) {
            // Numbers the server hands out differ from one database to another: ${DADOS.CAMPO}
            // stands for the field's current text.
            QString expected = a[2];
            static const QRegularExpression ref(QStringLiteral(R"(\$\{(\w+)\.(\w+)\})"));
            for (QRegularExpressionMatch m = ref.match(expected); m.hasMatch(); m = ref.match(expected)) {
                orv::TDataSet* ds = FindDataSet(m.captured(1));
                orv::TField* field = ds && ds->Active() ? ds->FindField(m.captured(2)) : nullptr;
                if (!field) return QStringLiteral("campo não encontrado: ") + m.captured(1) + QLatin1Char('.') + m.captured(2);
                expected.replace(m.capturedStart(), m.capturedLength(), field->DisplayText());
            }
            if (host_.statuses.isEmpty()) return Mismatch(Quoted(expected), QStringLiteral("nenhum aviso"));
            const QString shown = host_.statuses.last();
            return shown == expected ? QString() : Mismatch(Quoted(expected), Quoted(shown));
        }
        if (what == QLatin1String("savefile")) {
            const QString proposed = host_.proposedFiles.isEmpty() ? QStringLiteral("nenhum") : Quoted(host_.proposedFiles.last());
            return !host_.proposedFiles.isEmpty() && host_.proposedFiles.last() == a[2] ? QString()
                                                                                         : Mismatch(Quoted(a[2]), proposed);
        }
        if (what == QLatin1String("csv") || what == QLatin1String("csvrows")) return ExpectCsv(what, a);
        if (what == QLatin1String("field") || what == QLatin1String("rows") || what == QLatin1String("state"))
            return ExpectDataSet(what, a[2], a[3]);

        QObject* target = FindObject(a[2]);
        if (!target) return QStringLiteral("controle não encontrado: ") + a[2];
        if (what == QLatin1String("text")) {
            const std::optional<QString> text = TextOf(target);
            if (!text) return QStringLiteral("o controle não tem texto");
            return *text == a[3] ? QString() : Mismatch(Quoted(a[3]), Quoted(*text));
        }
        if (what == QLatin1String("enabled") || what == QLatin1String("checked")) {
            const QString expected = a[3].toLower();
            if (expected != QLatin1String("true") && expected != QLatin1String("false"))
                return QStringLiteral("uso: expect %1 CONTROLE true|false").arg(what);
            std::optional<bool> value = what == QLatin1String("enabled") ? EnabledOf(target) : CheckedOf(target);
            if (!value) return QStringLiteral("o controle não tem marcação");
            return BoolText(*value) == expected ? QString() : Mismatch(expected, BoolText(*value));
        }
        if (what == QLatin1String("focus")) return ExpectFocus(target);
        return ExpectPage(target);
    }

    static std::optional<bool> EnabledOf(QObject* target) {
        if (auto* sheet = dynamic_cast<orv::TTabSheet*>(target)) return sheet->Enabled();
        if (auto* action = qobject_cast<QAction*>(target)) return action->isEnabled();
        if (auto* widget = qobject_cast<QWidget*>(target)) return widget->isEnabled();
        return std::nullopt;
    }

    static std::optional<bool> CheckedOf(QObject* target) {
        if (auto* button = qobject_cast<QAbstractButton*>(target)) return button->isChecked();
        if (auto* action = qobject_cast<QAction*>(target)) return action->isChecked();
        if (auto* box = qobject_cast<QGroupBox*>(target); box && box->isCheckable()) return box->isChecked();
        return std::nullopt;
    }

    static QString ExpectFocus(QObject* target) {
        auto* widget = qobject_cast<QWidget*>(target);
        if (!widget) return QStringLiteral("o controle não recebe o foco");
        QWidget* window = widget->window();
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() != window) focus = window->focusWidget();
        QWidget* control = focus ? orv::ControlOf(focus) : nullptr;
        if (focus == widget || control == widget) return {};
        return Mismatch(widget->objectName(), NameOf(control));
    }

    static QString ExpectPage(QObject* target) {
        auto* sheet = dynamic_cast<orv::TTabSheet*>(target);
        if (!sheet) return QStringLiteral("o controle não é uma página");
        orv::TTabSheet* current = sheet->PageControl()->ActivePage();
        if (current == sheet) return {};
        return Mismatch(sheet->objectName(), current ? current->objectName() : QStringLiteral("nenhuma"));
    }

    QString ExpectDataSet(const QString& what, const QString& target, const QString& expected) {
        QString dataSetName = target;
        QString fieldName;
        if (what == QLatin1String("field")) {
            const qsizetype dot = target.indexOf(QLatin1Char('.'));
            if (dot <= 0) return QStringLiteral("uso: expect field DADOS.CAMPO \"TEXTO\"");
            dataSetName = target.left(dot);
            fieldName = target.mid(dot + 1);
        }
        orv::TDataSet* ds = FindDataSet(dataSetName);
        if (!ds) return QStringLiteral("conjunto de dados não encontrado: ") + dataSetName;
        if (what == QLatin1String("state")) {
            const QString state = StateName(ds->State());
            return state == expected.toLower() ? QString() : Mismatch(expected, state);
        }
        if (what == QLatin1String("rows")) {
            const QString rows = QString::number(ds->RecordCount());
            return rows == expected ? QString() : Mismatch(expected, rows);
        }
        orv::TField* field = ds->FindField(fieldName);
        if (!field) return QStringLiteral("campo não encontrado: ") + target;
        if (!ds->Active()) return QStringLiteral("conjunto de dados fechado: ") + dataSetName;
        const QString text = field->DisplayText();
        return text == expected ? QString() : Mismatch(Quoted(expected), Quoted(text));
    }

    // A file an export wrote, read back: a line's cells (the first line holds the titles), or how
    // many rows follow the titles.
    QString ExpectCsv(const QString& what, const QStringList& a) const {
        QFile file(QDir(folder_).absoluteFilePath(a[2]));
        if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("arquivo não encontrado: ") + a[2];
        const QList<QStringList> rows = orv::ReadCsv(file.readAll());
        if (what == QLatin1String("csvrows")) {
            const QString count = QString::number(std::max<qsizetype>(0, rows.size() - 1));
            return count == a[3] ? QString() : Mismatch(a[3], count);
        }
        bool ok = false;
        const int line = a[3].toInt(&ok);
        if (!ok || line < 1 || line > rows.size())
            return QStringLiteral("o arquivo não tem a linha %1 (tem %2)").arg(a[3]).arg(rows.size());
        const QString cells = rows[line - 1].join(QLatin1Char('|'));
        return cells == a[4] ? QString() : Mismatch(Quoted(a[4]), Quoted(cells));
    }

    static QString ExpectSql(const QString& sql, const QString& expected) {
        if (!QSqlDatabase::contains(orv::SharedConnectionName()))
            return QStringLiteral("sem conexão com o banco de dados");
        QSqlQuery query(orv::SharedConnection());
        if (!query.exec(sql)) return QStringLiteral("erro na consulta: ") + query.lastError().text();
        if (!query.next()) return Mismatch(Quoted(expected), QStringLiteral("nenhuma linha"));
        const QVariant value = query.value(0);
        const QString text = value.isNull() ? QString() : value.toString();
        return text == expected ? QString() : Mismatch(Quoted(expected), Quoted(text));
    }

    // The line of what runs before the script's first one: the login dialog.
    static constexpr int kBeforeFirstLine = -1;

    QList<ScriptLine> lines_;
    std::vector<Status> status_;
    QString folder_;
    MainWindow& main_;
    SessionHost& host_;
    std::ostream& out_;
    LoginStep login_;
    QEventLoop loop_;

    int next_ = 0;
    int owner_ = -1;  // the last command run: the messages shown are its
    int outsideFailures_ = 0;
    bool stepPosted_ = false;
    int stepToken_ = 0;
    bool ending_ = false;
    bool finished_ = false;
    int lastFrameId_ = 0;
    std::vector<Frame*> frames_;
    QList<QPointer<QWidget>> order_;  // top-level windows, last shown or activated first

    QStringList pending_;     // messages of the last command no expectation took yet
    QStringList unexpected_;  // questions and pick lists nothing was queued for
    QStringList suppressed_;  // their texts, as a guard shows them
    std::vector<int> answerLines_, pickLines_, pickManyLines_, saveFileLines_, listExportLines_;
};

}  // namespace

int RunScript(const QString& path, MainWindow& window, ShellHost& settings, const LoginStep& login) {
    return RunScript(path, window, settings, std::cout, login);
}

int RunScript(const QString& path, MainWindow& window, ShellHost& settings, std::ostream& out, const LoginStep& login) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out << QStringLiteral("não foi possível ler o roteiro %1").arg(path).toStdString() << std::endl;
        return 1;
    }
    QList<ScriptLine> lines = ParseScript(QString::fromUtf8(file.readAll()), QDate::currentDate());

    SessionHost host;
    host.operador = settings.operador;
    host.nomeOperador = settings.nomeOperador;
    host.webUrl = settings.webUrl;
    host.webPort = settings.webPort;
    host.token = settings.token;
    host.caFile = settings.caFile;
    host.mainWindow = settings.mainWindow ? settings.mainWindow : &window;
    orv::InstallHost(&host);
    int result = 1;
    {
        // Whom the login lets in is the session's operator from then on.
        LoginStep loginStep;
        if (login)
            loginStep = [&] {
                if (!login()) return false;
                host.operador = settings.operador;
                host.nomeOperador = settings.nomeOperador;
                host.token = settings.token;
                return true;
            };
        Session session(std::move(lines), QFileInfo(path).absolutePath(), window, host, out, loginStep);
        result = session.Run();
    }
    orv::InstallHost(nullptr);
    return result;
}

}  // namespace shell
