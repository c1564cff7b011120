#pragma once
// The notice window: a text shown for 5 seconds at the top-left corner of the screen, closing by
// itself. It also carries an acknowledgement row (check box and OK button) that stays hidden
// whenever the program shows a notice.

#include <chrono>
#include <string>

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace zelprax::manutencao {

class TfrmMensagemConfirmarGenerica : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMensagemConfirmarGenerica(QWidget* parent = nullptr);
    ~TfrmMensagemConfirmarGenerica() override;

    QLabel* lblMensagem;
    QWidget* Panel1;
    QCheckBox* ckbConcordo;
    QPushButton* btnOk;
};

// The one notice window that exists, or null; cleared when the window is released.
extern TfrmMensagemConfirmarGenerica* frmMensagemConfirmarGenerica;

// Steps 1 to 3 of a notice: the window created and shown (not modal), the acknowledgement row
// hidden, 540 by 80 pixels, the text put in and drawn. Replaces a window left from before.
TfrmMensagemConfirmarGenerica* PrepararMensagem(const std::string& texto);

// Shows the text as a notice and returns once it has been shown for `espera` and the window is
// closed and released. The calling thread waits: nothing else of the program runs meanwhile.
void ExibirMensagem(const std::string& texto, std::chrono::milliseconds espera = std::chrono::milliseconds(5000));

}  // namespace zelprax::manutencao
