#pragma once
// The one QApplication of a window test program, created on first use (offscreen: the tests set
// QT_QPA_PLATFORM).

#include <QApplication>

namespace zelprax::teste {

inline QApplication& Aplicativo() {
    static int argc = 1;
    static char nome[] = "test_janelas";
    static char* argv[] = {nome, nullptr};
    static QApplication* aplicativo = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return *aplicativo;
}

}  // namespace zelprax::teste
