// The module as the shell sees it: loaded at run time, its entry and variables found by name,
// and its variables empty again after an unload.
#include <QApplication>
#include <QLibrary>
#include <QString>

#include <gtest/gtest.h>

namespace {

struct Loaded {
    QLibrary lib{QStringLiteral(ZMT02600_MODULE)};
    bool Load() { return lib.load(); }
    template <class T>
    T* Var(const char* name) {
        return reinterpret_cast<T*>(lib.resolve(name));
    }
};

}  // namespace

TEST(ModuleUnload, ExportsItsEntryAndVariablesAndEmptiesThemWhenUnloaded) {
    {
        Loaded m;
        ASSERT_TRUE(m.Load()) << m.lib.errorString().toStdString();
        for (const char* name : {"IniProc", "CriaTransFis", "FrmTransferenciaFisica", "boIdCriado", "StCdBemAtivo",
                                 "p_nrseqop"})
            EXPECT_NE(m.lib.resolve(name), nullptr) << name;
        *m.Var<QString>("StCdBemAtivo") = QStringLiteral("0000000004");
        *m.Var<QString>("p_nrseqop") = QStringLiteral("0000000002");
        ASSERT_TRUE(m.lib.unload());
    }
    Loaded again;
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Var<QString>("StCdBemAtivo")->isEmpty());
    EXPECT_TRUE(again.Var<QString>("p_nrseqop")->isEmpty());
    EXPECT_FALSE(*again.Var<bool>("boIdCriado"));
    EXPECT_EQ(*again.Var<void*>("FrmTransferenciaFisica"), nullptr);
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
