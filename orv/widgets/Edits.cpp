#include "orv/widgets/Edits.h"

#include "orv/Format.h"
#include "orv/Routines.h"
#include "orv/widgets/FocusManager.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QStyle>
#include <QValidator>
#include <QVBoxLayout>

#include <vector>

namespace orv {

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

bool Accepts(QChar maskChar, QChar c) {
    switch (maskChar.unicode()) {
    case '0': case '9': return c.isDigit();
    case '#': return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
    case 'L': case 'l': return c.isLetter();
    case 'A': case 'a': return c.isLetterOrNumber();
    default: return c.isPrint();
    }
}

QChar ApplyCase(QChar c, int caseMode, TEditCharCase charCase) {
    if (caseMode > 0 || charCase == TEditCharCase::UpperCase) return c.toUpper();
    if (caseMode < 0 || charCase == TEditCharCase::LowerCase) return c.toLower();
    return c;
}

bool IsEditingKey(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) return true;
    for (auto key : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo,
                     QKeySequence::DeleteEndOfWord, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine,
                     QKeySequence::DeleteCompleteLine})
        if (event->matches(key)) return true;
    const QString text = event->text();
    return !text.isEmpty() && text[0].isPrint();
}

}  // namespace

// Applies the edit mask and the character case to whatever the line edit is about to hold:
// typed keys, pasted text and text set by program code alike.
class MaskValidator : public QValidator {
public:
    explicit MaskValidator(QObject* parent) : QValidator(parent) {}

    void SetMask(const QString& mask) {
        slots_.clear();
        literals_.clear();
        inputSlots_ = 0;
        const EditMask m = EditMask::Parse(mask);
        blank_ = m.blank;
        int caseMode = 0;
        const QString& p = m.pattern;
        for (int i = 0; i < p.size(); ++i) {
            const QChar c = p[i];
            if (c == QLatin1Char('>')) {
                if (i + 1 < p.size() && p[i + 1] == QLatin1Char('<')) {
                    caseMode = 0;
                    ++i;
                } else {
                    caseMode = 1;
                }
            } else if (c == QLatin1Char('<')) {
                caseMode = -1;
            } else if (c == QLatin1Char('!')) {
                continue;
            } else if (c == QLatin1Char('\\') && i + 1 < p.size()) {
                AddLiteral(p[++i]);
            } else if (IsMaskInputChar(c)) {
                slots_.push_back({false, c, caseMode});
                ++inputSlots_;
            } else {
                AddLiteral(c);
            }
        }
    }

    void SetCharCase(TEditCharCase charCase) { charCase_ = charCase; }

    State validate(QString& input, int& pos) const override {
        if (slots_.empty()) {
            for (QChar& c : input) c = ApplyCase(c, 0, charCase_);
            return Acceptable;
        }
        // The characters typed, without the literals (the edit puts those in itself).
        QString raw;
        int rawBeforeCursor = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (literals_.contains(c) || c == blank_) continue;
            if (i < pos) ++rawBeforeCursor;
            raw += c;
        }
        if (raw.size() > inputSlots_) return Invalid;
        QString out;
        int cursor = 0;
        int taken = 0;
        for (const Slot& slot : slots_) {
            if (taken >= raw.size()) break;  // no trailing literals: Backspace must get past them
            if (slot.literal) {
                out += slot.ch;
                continue;
            }
            const QChar c = raw[taken];
            if (!Accepts(slot.ch, c)) return Invalid;
            out += ApplyCase(c, slot.caseMode, charCase_);
            if (++taken == rawBeforeCursor) cursor = static_cast<int>(out.size());
        }
        input = out;
        pos = cursor;
        return Acceptable;
    }

private:
    struct Slot {
        bool literal;
        QChar ch;
        int caseMode;
    };

    void AddLiteral(QChar c) {
        slots_.push_back({true, c, 0});
        if (!literals_.contains(c)) literals_ += c;
    }

    std::vector<Slot> slots_;
    int inputSlots_ = 0;
    QString literals_;
    QChar blank_;
    TEditCharCase charCase_ = TEditCharCase::Normal;
};

// --- TCustomEdit --------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(QWidget* parent, const QString& name)
    : QLineEdit(parent), TControl(this, name), validator_(new MaskValidator(this)) {
    setValidator(validator_);
    connect(this, &QLineEdit::textChanged, this, [this] { OnTextChanged(); });
}

TCustomEdit::~TCustomEdit() = default;

QString TCustomEdit::Text() const {
    if (mask_.isEmpty()) return text();
    return EditMask::Parse(mask_).saveLiterals ? text() : StripMaskLiterals(mask_, text());
}

void TCustomEdit::SetMaxLength(int length) {
    maxLengthSet_ = true;
    setMaxLength(length);
}

void TCustomEdit::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
    validator_->SetCharCase(charCase);
}

void TCustomEdit::SetEditMaskText(const QString& mask) {
    mask_ = mask;
    validator_->SetMask(mask);
    UpdateDefaultMaxLength();
}

void TCustomEdit::UpdateDefaultMaxLength() {
    if (maxLengthSet_) return;
    int length = 32767;  // QLineEdit's own default
    if (!mask_.isEmpty()) {
        length = EditMask::Parse(mask_).Length();
    } else if (link_) {
        if (TField* field = link_->Field(); field && field->DataType() == FieldType::String) length = field->Size();
    }
    // Qt resets the text (and the selection being typed over) on every setMaxLength.
    if (maxLength() != length) setMaxLength(length);
}

void TCustomEdit::EnableDataLink() {
    link_ = std::make_unique<TDataLink>([this](const DataSetEvent& event) { OnLinkEvent(event); });
}

void TCustomEdit::OnTextChanged() {
    // The field first: a change handler reads the field right after the edit changed.
    if (link_ && !loading_) WriteField(false);
    Fire(OnChange);
}

void TCustomEdit::OnLinkEvent(const DataSetEvent& event) {
    if (writing_) return;  // our own write coming back
    if (event.kind == DataSetEvent::FieldChanged && event.field >= 0) {
        TField* field = link_->Field();
        if (field && field->Index() != event.field) return;
    }
    LoadFromField();
}

QString TCustomEdit::ReadFieldText(TField& field) const { return field.Text(); }

void TCustomEdit::WriteFieldText(TField& field, const QString& text) { field.SetText(text); }

void TCustomEdit::LoadFromField() {
    pending_ = false;
    UpdateDefaultMaxLength();
    QString text;
    if (TField* field = link_->Field(); field && link_->Active()) {
        // A failing get-text handler shows as an empty edit rather than stopping the data set.
        try {
            text = ReadFieldText(*field);
        } catch (...) {
            text.clear();
        }
    }
    if (text == this->text()) return;
    loading_ = true;
    setText(text);
    loading_ = false;
}

void TCustomEdit::WriteField(bool report) {
    TField* field = link_->Field();
    if (!field || !link_->Editing()) return;
    struct Flag {
        bool& flag;
        explicit Flag(bool& f) : flag(f) { flag = true; }
        ~Flag() { flag = false; }
    } writing(writing_);
    try {
        WriteFieldText(*field, Text());
        pending_ = false;
    } catch (...) {
        // While typing a half-written number is no error yet; leaving the edit with it is.
        pending_ = true;
        if (report) throw;
    }
}

void TCustomEdit::ExitCheck() {
    if (!link_) return;
    if (pending_ && link_->Editing()) {
        try {
            WriteField(true);
        } catch (...) {
            selectAll();
            throw;
        }
    }
    // What the field holds now, as its get-text shows it (a set-text handler may have changed it).
    LoadFromField();
}

bool TCustomEdit::BeginUserEdit() {
    if (isReadOnly()) return false;
    if (!link_) return true;
    TDataSet* ds = link_->DataSet();
    if (!ds || !ds->Active() || !link_->Field() || ds->ReadOnly()) return false;
    if (link_->Editing()) return true;
    if (!link_->DataSource()->AutoEdit) return false;
    return Guard([ds] { ds->Edit(); }) && link_->Editing();
}

bool TCustomEdit::KeyChangesText(const QKeyEvent* event) const {
    const int key = event->key();
    if (key == Qt::Key_Backspace) return hasSelectedText() || cursorPosition() > 0;
    if (key == Qt::Key_Delete) return hasSelectedText() || cursorPosition() < text().size();
    const QString typed = event->text();
    // Pastes, cuts and undos are taken as changes: what they bring is not in the key.
    if (typed.isEmpty() || !typed[0].isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return true;
    QString candidate = text();
    int pos = cursorPosition();
    if (hasSelectedText()) {
        pos = selectionStart();
        candidate.remove(pos, selectedText().size());
    }
    if (candidate.size() >= maxLength()) return false;
    candidate.insert(pos, typed.left(maxLength() - candidate.size()));
    pos += static_cast<int>(typed.size());
    return validator()->validate(candidate, pos) != QValidator::Invalid;
}

void TCustomEdit::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && EnterActsAsTab(this)) {
        event->accept();
        focusNextChild();
        // Without an active window Qt reports no focus change: the move runs here.
        FocusManager::Instance().Sync(this);
        return;
    }
    const QChar key = KeyCharOf(event);
    std::unique_ptr<QKeyEvent> replaced;
    if (!key.isNull() && OnKeyPress) {
        QChar changed = key;
        if (!Guard([&] { OnKeyPress(changed); }) || changed.isNull()) {
            event->accept();
            return;
        }
        if (changed != key && changed.isPrint())
            replaced = std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_unknown, event->modifiers(), QString(changed));
    }
    QKeyEvent* effective = replaced ? replaced.get() : event;
    // A key the edit would refuse anyway (the mask, the maximum length) changes nothing, so it
    // starts no edit of the record either.
    if (IsEditingKey(effective) && (!KeyChangesText(effective) || !BeginUserEdit())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(effective);
    if (replaced) event->setAccepted(replaced->isAccepted());
}

void TCustomEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    Fire(OnDblClick);
}

// --- concrete edits -----------------------------------------------------------------------------

TEdit::TEdit(QWidget* parent, const QString& name) : TCustomEdit(parent, name) {}

TMaskEdit::TMaskEdit(QWidget* parent, const QString& name, const QString& mask) : TCustomEdit(parent, name) {
    SetEditMaskText(mask);
}

TDBEdit::TDBEdit(QWidget* parent, const QString& name) : TCustomEdit(parent, name) { EnableDataLink(); }

TDateEditPlus::TDateEditPlus(QWidget* parent, const QString& name) : TCustomEdit(parent, name) {
    SetEditMaskText(QStringLiteral("!99/99/9999;1;_"));
    setPlaceholderText(QStringLiteral("dd/mm/aaaa"));
    QAction* open = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    open->setToolTip(QStringLiteral("Calendário"));
    connect(open, &QAction::triggered, this, [this] { ShowCalendar(); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        const QDate date = GetDate();
        setToolTip(date.isValid() ? WeekdayName(date) : QString());
    });
}

QDate TDateEditPlus::GetDate() const { return QDate::fromString(text(), kDateFormat); }

void TDateEditPlus::SetDate(const QDate& date) { setText(date.isValid() ? date.toString(kDateFormat) : QString()); }

bool TDateEditPlus::IsEmpty() const { return EmptyString(StripMaskLiterals(EditMaskText(), text())); }

void TDateEditPlus::CheckValidDate() const {
    if (!IsEmpty() && !GetDate().isValid()) MensErro(QStringLiteral("Data inválida."));
}

QString TDateEditPlus::WeekdayName(const QDate& date) {
    static const char* const names[] = {"Segunda-feira", "Terça-feira", "Quarta-feira", "Quinta-feira",
                                        "Sexta-feira",   "Sábado",      "Domingo"};
    return date.isValid() ? QString::fromUtf8(names[date.dayOfWeek() - 1]) : QString();
}

void TDateEditPlus::ShowCalendar() {
    if (isReadOnly() || !isEnabled()) return;
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(1, 1, 1, 1);
    auto* calendar = new QCalendarWidget(popup);
    calendar->setLocale(BrLocale());
    calendar->setGridVisible(true);
    calendar->setSelectedDate(GetDate().isValid() ? GetDate() : QDate::currentDate());
    calendar->setToolTip(WeekdayName(calendar->selectedDate()));
    layout->addWidget(calendar);
    auto pick = [this, popup](const QDate& date) {
        popup->close();
        if (BeginUserEdit()) SetDate(date);
    };
    connect(calendar, &QCalendarWidget::clicked, popup, pick);
    connect(calendar, &QCalendarWidget::activated, popup, pick);
    connect(calendar, &QCalendarWidget::selectionChanged, calendar,
            [calendar] { calendar->setToolTip(WeekdayName(calendar->selectedDate())); });
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    calendar->setFocus();
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F4 || (event->key() == Qt::Key_Down && event->modifiers() & Qt::AltModifier)) {
        ShowCalendar();
        return;
    }
    TCustomEdit::keyPressEvent(event);
}

TDBDateEditPlus::TDBDateEditPlus(QWidget* parent, const QString& name) : TDateEditPlus(parent, name) {
    EnableDataLink();
}

QString TDBDateEditPlus::ReadFieldText(TField& field) const {
    if (field.OnGetText || field.DataType() != FieldType::DateTime) return field.Text();
    return field.IsNull() ? QString() : field.AsDateTime().date().toString(kDateFormat);
}

void TDBDateEditPlus::WriteFieldText(TField& field, const QString& text) {
    if (IsEmpty() || !QDate::fromString(text, kDateFormat).isValid()) {
        field.SetText(QString());
        return;
    }
    field.SetText(text);
}

}  // namespace orv
