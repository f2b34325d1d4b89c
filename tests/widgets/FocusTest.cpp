#include "Support.h"

#include "orv/Routines.h"
#include "orv/widgets/Edits.h"
#include "orv/widgets/FocusManager.h"
#include "orv/widgets/StdControls.h"

#include <QLineEdit>
#include <QVBoxLayout>

using namespace orv;
using namespace widgets_test;

namespace {

// panOuter { grpA { edtA1, edtA2 }, grpB { edtB1 } }, panOther { edtC }, sbtGravar
struct FocusForm : HostTest {
    QWidget window;
    TPanel* panOuter = new TPanel(&window, "panOuter");
    TGroupBox* grpA = new TGroupBox(panOuter, "grpA");
    TEdit* edtA1 = new TEdit(grpA, "edtA1");
    TEdit* edtA2 = new TEdit(grpA, "edtA2");
    TGroupBox* grpB = new TGroupBox(panOuter, "grpB");
    TEdit* edtB1 = new TEdit(grpB, "edtB1");
    TPanel* panOther = new TPanel(&window, "panOther");
    TEdit* edtC = new TEdit(panOther, "edtC");
    TSpeedButton* sbtGravar = new TSpeedButton(&window, "sbtGravar", "Gravar");
    QStringList log;

    void SetUp() override {
        HostTest::SetUp();
        for (QWidget* box : {static_cast<QWidget*>(panOuter), static_cast<QWidget*>(grpA), static_cast<QWidget*>(grpB),
                             static_cast<QWidget*>(panOther)})
            new QVBoxLayout(box);
        grpA->layout()->addWidget(edtA1);
        grpA->layout()->addWidget(edtA2);
        grpB->layout()->addWidget(edtB1);
        panOuter->layout()->addWidget(grpA);
        panOuter->layout()->addWidget(grpB);
        panOther->layout()->addWidget(edtC);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(panOuter);
        layout->addWidget(panOther);
        layout->addWidget(sbtGravar);
        for (TControl* c : std::initializer_list<TControl*>{panOuter, grpA, edtA1, edtA2, grpB, edtB1, panOther, edtC}) {
            c->OnEnter = [this, c] { log << "enter:" + c->Name(); };
            c->OnExit = [this, c] { log << "exit:" + c->Name(); };
        }
        ASSERT_TRUE(Activate(window));
        edtA1->setFocus();
        log.clear();
    }
};

}  // namespace

TEST_F(FocusForm, ExitsInnermostFirstThenEntersOutermostFirst) {
    edtB1->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtA1", "exit:grpA", "enter:grpB", "enter:edtB1"}));

    log.clear();
    edtC->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtB1", "exit:grpB", "exit:panOuter", "enter:panOther", "enter:edtC"}));

    log.clear();
    FocusControl(edtA2);
    EXPECT_EQ(log, QStringList({"exit:edtC", "exit:panOther", "enter:panOuter", "enter:grpA", "enter:edtA2"}));
    EXPECT_EQ(ActiveControl(&window), edtA2);
}

TEST_F(FocusForm, AnAbortInAnExitHandlerKeepsTheFocusAndRunsNoEnter) {
    // The validator's way: focus back on itself, then the message.
    edtA1->OnExit = [this] {
        log << "exit:edtA1";
        edtA1->setFocus();
        MensErro("Bem não cadastrado.");
    };
    edtB1->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtA1"}));
    EXPECT_EQ(QApplication::focusWidget(), edtA1);
    EXPECT_EQ(host.messages, QStringList({"Bem não cadastrado."}));

    // An abort that leaves the focus where Qt put it sends it back all the same.
    log.clear();
    edtA1->OnExit = [this] {
        log << "exit:edtA1";
        Abort();
    };
    edtC->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtA1"}));
    EXPECT_EQ(QApplication::focusWidget(), edtA1);

    // Once the handler lets go, the same move runs in full.
    log.clear();
    edtA1->OnExit = nullptr;
    edtB1->setFocus();
    EXPECT_EQ(log, QStringList({"exit:grpA", "enter:grpB", "enter:edtB1"}));
}

TEST_F(FocusForm, AnExitHandlerThatFocusesAThirdControlEntersIt) {
    edtA1->OnExit = [this] {
        edtC->setFocus();
        throw std::runtime_error("Falha ao validar o bem.");
    };
    edtB1->setFocus();
    // grpA's exit is part of the cancelled move; panOther and edtC are entered from edtA1.
    EXPECT_EQ(log, QStringList({"enter:panOther", "enter:edtC"}));
    EXPECT_EQ(QApplication::focusWidget(), edtC);
    EXPECT_EQ(ActiveControl(&window), edtC);
    EXPECT_EQ(host.messages, QStringList({"Falha ao validar o bem."}));
}

TEST_F(FocusForm, AnEnterHandlerThatMovesTheFocusStartsAFollowUpMoveNotANestedOne) {
    edtB1->OnEnter = [this] {
        log << "enter:edtB1";
        edtC->setFocus();
        log << "after setFocus";
    };
    edtB1->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtA1", "exit:grpA", "enter:grpB", "enter:edtB1", "after setFocus",
                                "exit:edtB1", "exit:grpB", "exit:panOuter", "enter:panOther", "enter:edtC"}));
    EXPECT_EQ(ActiveControl(&window), edtC);
}

TEST_F(FocusForm, NoFocusButtonsAndOtherWindowsRunNoHandler) {
    bool clicked = false;
    sbtGravar->OnClick = [&] { clicked = true; };
    QTest::mouseClick(sbtGravar, Qt::LeftButton);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(QApplication::focusWidget(), edtA1);

    // A pick list on top and back: the focus leaves the form and returns to the same control.
    QWidget other;
    auto* pick = new QLineEdit(&other);
    ASSERT_TRUE(Activate(other));
    pick->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), pick);
    ASSERT_TRUE(Activate(window));
    EXPECT_EQ(QApplication::focusWidget(), edtA1);
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
}

TEST_F(FocusForm, AControlWithoutHandlersStillCountsAsTheFormsFocus) {
    // A plain Qt edit inside grpB: containers still see the focus cross their border.
    auto* plain = new QLineEdit(grpB);
    grpB->layout()->addWidget(plain);
    plain->show();
    plain->setFocus();
    EXPECT_EQ(log, QStringList({"exit:edtA1", "exit:grpA", "enter:grpB"}));
    log.clear();
    edtB1->setFocus();
    EXPECT_EQ(log, QStringList({"enter:edtB1"}));
}
