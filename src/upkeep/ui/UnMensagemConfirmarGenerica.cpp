#include "upkeep/ui/UnMensagemConfirmarGenerica.h"

#include <memory>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

namespace zelprax::manutencao {

TfrmMensagemConfirmarGenerica* frmMensagemConfirmarGenerica = nullptr;

namespace {

constexpr int kLargura = 540;
constexpr int kAlturaSoTexto = 80;
constexpr int kAlturaComConfirmacao = 120;
constexpr int kAlturaPainel = 40;

}  // namespace

TfrmMensagemConfirmarGenerica::TfrmMensagemConfirmarGenerica(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmMensagemConfirmarGenerica");
    setWindowTitle(QString::fromUtf8("Aviso do Sistema"));
    QFont fonte(QStringLiteral("Sans Serif"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSize(8);
    setFont(fonte);
    setFixedSize(kLargura, kAlturaComConfirmacao);

    lblMensagem = new QLabel(QString::fromUtf8("Mensagem Genérica"), this);
    lblMensagem->setObjectName("lblMensagem");
    lblMensagem->setWordWrap(true);
    lblMensagem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMensagem->setGeometry(11, 4, 517, 72);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, kAlturaComConfirmacao - kAlturaPainel, kLargura, kAlturaPainel);
    ckbConcordo = new QCheckBox(QString::fromUtf8("Estou ciente destas informações."), Panel1);
    ckbConcordo->setObjectName("ckbConcordo");
    ckbConcordo->setGeometry(11, 10, 300, 20);
    btnOk = new QPushButton(QStringLiteral("OK"), Panel1);
    btnOk->setObjectName("btnOk");
    btnOk->setGeometry(kLargura - 11 - 75, 7, 75, 25);
    connect(btnOk, &QPushButton::clicked, this, &QWidget::close);

    move(0, 0);  // the top-left corner of the screen
}

TfrmMensagemConfirmarGenerica::~TfrmMensagemConfirmarGenerica() {
    if (frmMensagemConfirmarGenerica == this) frmMensagemConfirmarGenerica = nullptr;
}

TfrmMensagemConfirmarGenerica* PrepararMensagem(const std::string& texto) {
    delete frmMensagemConfirmarGenerica;  // at most one notice window at a time
    frmMensagemConfirmarGenerica = new TfrmMensagemConfirmarGenerica();
    TfrmMensagemConfirmarGenerica* janela = frmMensagemConfirmarGenerica;
    janela->show();

    janela->Panel1->hide();
    janela->ckbConcordo->hide();
    janela->btnOk->hide();
    janela->setFixedSize(kLargura, kAlturaSoTexto);
    janela->repaint();

    janela->lblMensagem->setText(QString::fromStdString(texto));
    janela->lblMensagem->repaint();
    // A newly shown window is drawn only once the display has exposed it; give it a moment.
    QElapsedTimer relogio;
    relogio.start();
    do {
        QCoreApplication::processEvents();
    } while (janela->windowHandle() != nullptr && !janela->windowHandle()->isExposed() && relogio.elapsed() < 500);
    janela->repaint();
    QCoreApplication::processEvents();
    return janela;
}

void ExibirMensagem(const std::string& texto, std::chrono::milliseconds espera) {
    std::unique_ptr<TfrmMensagemConfirmarGenerica> janela(PrepararMensagem(texto));
    std::this_thread::sleep_for(espera);
    janela->close();
}

}  // namespace zelprax::manutencao
