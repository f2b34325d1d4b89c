// Saves the whole X screen (window manager decorations and every window on it) as a PNG, so the
// real-window smoke can keep what the clerk would have seen.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("uso: erp-screen-grab ARQUIVO.png\n", stderr);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
        std::fputs("não foi possível capturar a tela\n", stderr);
        return 1;
    }
    return 0;
}
