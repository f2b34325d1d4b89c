#include "shell/ShellHost.h"

#include "orv/DataSet.h"
#include "orv/ScriptedHost.h"
#include "shell/PickListDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>

namespace shell {

namespace {

QWidget* ActiveWindow() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    return w;
}

QString AppTitle() { return QStringLiteral("ERP - Patrimônio"); }

// Qt sizes a message box by its text and leaves the title a little room only: the window
// manager's icon and buttons then cut it ("ERP - ... mônio"). The box is made as wide as the
// title in a bold title-bar font plus that decoration (four buttons and their spacing).
void FitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int decoration = 4 * (metrics.height() + 8) + 2 * metrics.height();
    const int width = metrics.horizontalAdvance(box.windowTitle()) + decoration;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

void ShellHost::ShowMessage(const QString& text) {
    // A message must be readable even under the wait cursor of a busy animation.
    if (busyDepth_ > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, ActiveWindow());
    FitTitle(box);
    box.exec();
    if (busyDepth_ > 0) QApplication::restoreOverrideCursor();
}

bool ShellHost::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, ActiveWindow());
    QPushButton* yes = box.addButton(QStringLiteral("Sim"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Não"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    FitTitle(box);
    box.exec();
    return box.clickedButton() == yes;
}

orv::TDataSet* ShellHost::ListToOffer(orv::TDataSource& source, const QString& title, QString& caption) {
    QString emptyText;
    orv::SplitTitle(title, caption, emptyText);
    orv::TDataSet* ds = source.DataSet();
    if (ds && ds->Active() && !ds->IsEmpty()) return ds;
    // Nothing to pick: the list says so with the text after the bar.
    if (!emptyText.isEmpty()) ShowMessage(emptyText);
    return nullptr;
}

bool ShellHost::Pesquisar(orv::TDataSource& source, const QString& title) {
    QString caption;
    orv::TDataSet* ds = ListToOffer(source, title, caption);
    if (!ds) return false;
    PickListDialog dialog(*ds, caption, false, ActiveWindow());
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenRow() < 0) return false;
    ds->SetRecNo(dialog.ChosenRow() + 1);
    return true;
}

bool ShellHost::PesquisaLista(orv::TDataSource& source, const QString& keyField, const QString& title, QString& list) {
    QString caption;
    orv::TDataSet* ds = ListToOffer(source, title, caption);
    if (!ds) return false;
    PickListDialog dialog(*ds, caption, true, ActiveWindow());
    dialog.Tick(keyField, list.split(QLatin1Char('_'), Qt::SkipEmptyParts));
    if (dialog.exec() != QDialog::Accepted) return false;
    list = dialog.Ticked(keyField).join(QLatin1Char('_'));
    return true;
}

QString ShellHost::ChooseSaveFile(const QString& title, const QString& proposedName, const QString& filter) {
    if (saveFolder_.isEmpty()) saveFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (saveFolder_.isEmpty() || !QFileInfo(saveFolder_).isDir()) saveFolder_ = QDir::homePath();
    QFileDialog dialog(ActiveWindow(), title, saveFolder_, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A bare name typed by the user gets the suffix, before the overwrite question is asked.
    dialog.setDefaultSuffix(QFileInfo(proposedName).suffix());
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().constFirst();
    saveFolder_ = QFileInfo(path).absolutePath();
    return path;
}

void ShellHost::ShowStatus(const QString& text, int msecs) {
    if (auto* window = qobject_cast<QMainWindow*>(mainWindow)) window->statusBar()->showMessage(text, msecs);
}

void ShellHost::ShowBusy(int) {
    if (busyDepth_++ > 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (QWidget* window = ActiveWindow()) {
        auto* label = new QLabel(QStringLiteral("Aguarde..."), window);
        label->setObjectName(QStringLiteral("lblAguarde"));
        label->setStyleSheet(QStringLiteral("background:#FFFFE1;border:1px solid #808080;padding:6px 14px;"));
        label->adjustSize();
        label->move((window->width() - label->width()) / 2, (window->height() - label->height()) / 2);
        label->show();
        label->raise();
        label->repaint();
        overlay_ = label;
    }
}

void ShellHost::HideBusy() {
    if (busyDepth_ == 0 || --busyDepth_ > 0) return;
    if (overlay_) overlay_->deleteLater();
    overlay_ = nullptr;
    QApplication::restoreOverrideCursor();
}

}  // namespace shell
