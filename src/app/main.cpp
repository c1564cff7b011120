// The monitor's program entry: the application, the hidden main window with its start-up
// sequence, the tray icon, and the event loop.

#include <exception>
#include <iostream>
#include <string>

#include <QApplication>
#include <QMessageBox>

#include "app/UnPrincipal.h"
#include "db/datas.h"
#include "platform/platform.h"

namespace {

// A window that could not even be created: the default error display, and standard error.
void MostrarErroFatal(const std::string& texto) {
    std::cerr << zelprax::monitor::kTituloPrograma << ": " << texto << std::endl;
    QMessageBox::critical(nullptr, QString::fromUtf8(zelprax::monitor::kTituloPrograma), QString::fromStdString(texto));
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace zelprax;
    // Before the application starts any thread: the requests to end are kept for the event loop.
    const int pedidosDeEncerramento = plataforma::ReterPedidosDeEncerramento();
    QApplication aplicativo(argc, argv);
    // The window lives on in the tray when hidden; only closing it, or an end request, ends the
    // program, not the closing of the last message box.
    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setApplicationName(QString::fromUtf8(monitor::kTituloPrograma));

    const bool manual = monitor::ModoManual(argc > 1 ? argv[1] : "");
    try {
        monitor::TfrmPrincipal frmPrincipal(plataforma::SistemaNativo(), db::RelogioDoSistema(), manual);
        frmPrincipal.VigiarPedidosDeEncerramento(pedidosDeEncerramento);
        frmPrincipal.Agendador().DefinirRegistro(monitor::CaminhoRegistroPadrao());
        frmPrincipal.FormCreate();
        frmPrincipal.MostrarIconeInicial();
        if (frmPrincipal.EncerramentoSolicitado()) return 0;
        return QApplication::exec();
    } catch (const std::exception& e) {
        MostrarErroFatal(e.what());
    } catch (...) {
        MostrarErroFatal("Erro desconhecido.");
    }
    return 1;
}
