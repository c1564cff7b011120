#include "app/UnPrincipal.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "app/execucao.h"
#include "app/hora.h"
#include "app/icone.h"
#include "app/trava.h"
#include "db/localizacao.h"
#include "upkeep/atualizacao.h"
#include "upkeep/ui/UnMensagemConfirmarGenerica.h"

namespace zelprax::monitor {

namespace {

QString Q(const std::string& texto) { return QString::fromStdString(texto); }
QString Q(const char* texto) { return QString::fromUtf8(texto); }

QFont FonteJanela() {
    QFont fonte(QStringLiteral("Sans Serif"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSize(8);
    fonte.setBold(false);  // stated, so that controls inside a group box do not take its bold
    return fonte;
}

QFont FonteNegrito() {
    QFont fonte = FonteJanela();
    fonte.setBold(true);
    return fonte;
}

// This program's icon: the installed picture, else the drawing.
QIcon IconeMonitor() { return monitor::IconeMonitor(IconeInstalado()); }

// The same icon with a red disc and a white "!" in its lower right quarter: the last run failed.
// Seen in the notification area without hovering, since a failed run ends silently.
QIcon IconeComFalha() {
    QPixmap imagem = IconeMonitor().pixmap(32, 32);
    QPainter pintor(&imagem);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setBrush(QColor(0xc6, 0x28, 0x28));
    pintor.setPen(QPen(Qt::white, 1.5));
    pintor.drawEllipse(QRectF(15.5, 15.5, 16, 16));
    QFont fonte = FonteNegrito();
    fonte.setPixelSize(13);
    pintor.setFont(fonte);
    pintor.drawText(QRect(15, 15, 17, 17), Qt::AlignCenter, QStringLiteral("!"));
    pintor.end();
    return QIcon(imagem);
}

QMessageBox::Icon IconeCaixa(db::Icone icone) {
    switch (icone) {
        case db::Icone::Informacao: return QMessageBox::Information;
        case db::Icone::Aviso: return QMessageBox::Warning;
        case db::Icone::Erro: return QMessageBox::Critical;
        case db::Icone::Nenhum: break;
    }
    return QMessageBox::NoIcon;
}

// Messages nobody will see: the steps of an end asked from outside may find nobody to answer.
class InteracaoMuda : public db::Interacao {
public:
    void MostrarMensagem(const std::string&, const std::string&, db::Icone) override {}
    void SolicitarEncerramento() override {}
    void ExibirMensagem(const std::string&) override {}
};

QLabel* NovoRotulo(const char* texto, QWidget* pai, const QRect& lugar) {
    auto* rotulo = new QLabel(Q(texto), pai);
    rotulo->setFont(FonteJanela());
    rotulo->setGeometry(lugar);
    return rotulo;
}

QFrame* NovaLinha(QWidget* pai, int y) {
    auto* linha = new QFrame(pai);
    linha->setFrameShape(QFrame::HLine);
    linha->setFrameShadow(QFrame::Sunken);
    linha->setGeometry(8, y, 395, 2);
    return linha;
}

}  // namespace

QIcon IconeMonitor(const QIcon& instalado) {
    if (!instalado.isNull()) return instalado;
    QPixmap imagem(32, 32);
    imagem.fill(Qt::transparent);
    QPainter pintor(&imagem);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setBrush(QColor(0x1e, 0x88, 0x3c));
    pintor.setPen(Qt::NoPen);
    pintor.drawEllipse(1, 1, 30, 30);
    QFont fonte = FonteNegrito();
    fonte.setPixelSize(20);
    pintor.setFont(fonte);
    pintor.setPen(Qt::white);
    pintor.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("C"));
    pintor.end();
    return QIcon(imagem);
}

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
    UpButton = new QToolButton(this);
    UpButton->setObjectName("SpinButton1Up");
    UpButton->setArrowType(Qt::UpArrow);
    UpButton->setAutoRepeat(true);
    DownButton = new QToolButton(this);
    DownButton->setObjectName("SpinButton1Down");
    DownButton->setArrowType(Qt::DownArrow);
    DownButton->setAutoRepeat(true);
    for (QToolButton* botao : {UpButton, DownButton}) {
        botao->setFocusPolicy(Qt::NoFocus);
        botao->setIconSize(QSize(7, 7));
    }
}

TfrmPrincipal::TfrmPrincipal(plataforma::Sistema& sistema, const db::Relogio& relogio, bool modoManual,
                             db::Interacao* mensagens, std::ostream* erros)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      sistema_(sistema),
      relogio_(relogio),
      modoManual_(modoManual),
      mensagens_(mensagens),
      erros_(erros != nullptr ? *erros : std::cerr),
      temBandeja_(QSystemTrayIcon::isSystemTrayAvailable()),
      motor_(sistema, *this, *this, relogio),
      agendador_(motor_, *this, relogio, modoManual, erros_) {
    setObjectName("frmPrincipal");
    CriarControles();
    LigarSinais();
}

TfrmPrincipal::~TfrmPrincipal() = default;

void TfrmPrincipal::CriarControles() {
    setWindowTitle(Q(kTituloPrograma));
    setWindowIcon(IconeMonitor());
    setFont(FonteJanela());
    setFixedSize(411, 402);

    GroupBox1 = new QGroupBox(Q("Programação Diária"), this);
    GroupBox1->setFont(FonteNegrito());
    GroupBox1->setGeometry(8, 6, 395, 56);
    lblHora = NovoRotulo("Hora para Atualização:", GroupBox1, QRect(12, 26, 150, 17));
    edtHoraAtualizacao = new QLineEdit(GroupBox1);
    edtHoraAtualizacao->setObjectName("edtHoraAtualizacao");
    edtHoraAtualizacao->setFont(FonteJanela());
    edtHoraAtualizacao->setMaxLength(2);
    edtHoraAtualizacao->setGeometry(166, 23, 32, 23);
    SpinButton1 = new TSpinButton(GroupBox1);
    SpinButton1->setObjectName("SpinButton1");
    SpinButton1->setGeometry(199, 23, 17, 23);
    SpinButton1->UpButton->setGeometry(0, 0, 17, 11);
    SpinButton1->DownButton->setGeometry(0, 12, 17, 11);

    GroupBox2 = new QGroupBox(Q("Configurações Gerais"), this);
    GroupBox2->setFont(FonteNegrito());
    GroupBox2->setGeometry(8, 68, 395, 100);
    ckbEmissaoApartir = new QCheckBox(Q("Emissão a partir de"), GroupBox2);
    ckbEmissaoApartir->setObjectName("ckbEmissaoApartir");
    ckbEmissaoApartir->setFont(FonteJanela());
    ckbEmissaoApartir->setGeometry(12, 24, 140, 21);
    dtEmissaoApartir = new QDateEdit(GroupBox2);
    dtEmissaoApartir->setObjectName("dtEmissaoApartir");
    dtEmissaoApartir->setFont(FonteJanela());
    dtEmissaoApartir->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    dtEmissaoApartir->setCalendarPopup(true);
    dtEmissaoApartir->setGeometry(156, 23, 110, 23);
    ckbGerarAcertoConformeFaseProcesso = new QCheckBox(Q("Não gerar acertos conforme a fase do processo"), GroupBox2);
    ckbGerarAcertoConformeFaseProcesso->setObjectName("ckbGerarAcertoConformeFaseProcesso");
    ckbGerarAcertoConformeFaseProcesso->setFont(FonteJanela());
    ckbGerarAcertoConformeFaseProcesso->setGeometry(12, 50, 370, 21);
    ckbGerarEstornoComissao = new QCheckBox(Q("Não gerar estorno de comissão de inadimplentes"), GroupBox2);
    ckbGerarEstornoComissao->setObjectName("ckbGerarEstornoComissao");
    ckbGerarEstornoComissao->setFont(FonteJanela());
    ckbGerarEstornoComissao->setGeometry(12, 74, 370, 21);

    GroupBox3 = new QGroupBox(Q("Última Atualização"), this);
    GroupBox3->setFont(FonteNegrito());
    GroupBox3->setGeometry(8, 174, 395, 70);
    lblInicio = NovoRotulo("Início:", GroupBox3, QRect(12, 24, 50, 17));
    lblInicioAtualizacao = NovoRotulo(kSemAtualizacao, GroupBox3, QRect(66, 24, 200, 17));
    lblInicioAtualizacao->setObjectName("lblInicioAtualizacao");
    lblFinal = NovoRotulo("Final:", GroupBox3, QRect(12, 46, 50, 17));
    lblUltimaAtualizacao = NovoRotulo(kSemAtualizacao, GroupBox3, QRect(66, 46, 200, 17));
    lblUltimaAtualizacao->setObjectName("lblUltimaAtualizacao");

    lblVersao = NovoRotulo("Versão:", this, QRect(8, 252, 395, 17));
    lblVersao->setObjectName("lblVersao");
    lblVersao->setAlignment(Qt::AlignCenter);

    NovaLinha(this, 276);
    lblAguarde = NovoRotulo("Aguarde...", this, QRect(8, 284, 395, 30));
    lblAguarde->setObjectName("lblAguarde");
    lblAguarde->setWordWrap(true);
    lblAguarde->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAguarde->hide();
    lblUltimaExecucao = NovoRotulo("", this, QRect(8, 284, 395, 30));
    lblUltimaExecucao->setObjectName("lblUltimaExecucao");
    lblUltimaExecucao->setWordWrap(true);
    lblUltimaExecucao->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblUltimaExecucao->hide();
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(8, 318, 395, 20);
    Gauge1->setRange(0, maximo_);
    Gauge1->setValue(0);
    Gauge1->hide();
    NovaLinha(this, 346);

    BitBtn2 = new QPushButton(Q("Atualizar as Comissões"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(8, 358, 190, 34);
    BitBtn1 = new QPushButton(Q("Minimizar"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(213, 358, 190, 34);

    PopupMenu1 = new QMenu(this);
    ShowWindow1 = PopupMenu1->addAction(Q("&Abrir Monitor Comissão"));
    ShowWindow1->setObjectName("ShowWindow1");
    PopupMenu1->addSeparator();
    Exit1 = PopupMenu1->addAction(Q("&Sair"));
    Exit1->setObjectName("Exit1");
    TrayIcon1 = new QSystemTrayIcon(IconeMonitor(), this);
    TrayIcon1->setObjectName("TrayIcon1");
    TrayIcon1->setToolTip(Q(kTituloPrograma));
    TrayIcon1->setContextMenu(PopupMenu1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kIntervaloTimer1);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kIntervaloTimer2);
}

void TfrmPrincipal::LigarSinais() {
    connect(ShowWindow1, &QAction::triggered, this, [this] { Protegido([this] { ShowWindow1Click(); }); });
    connect(Exit1, &QAction::triggered, this, [this] { Protegido([this] { Exit1Click(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Protegido([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Protegido([this] { BitBtn2Click(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { Protegido([this] { Timer1Timer(); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { Protegido([this] { Timer2Timer(); }); });
    connect(SpinButton1->UpButton, &QToolButton::clicked, this, [this] { Protegido([this] { SpinButton1UpClick(); }); });
    connect(SpinButton1->DownButton, &QToolButton::clicked, this,
            [this] { Protegido([this] { SpinButton1DownClick(); }); });
    // One handler for the three check boxes, as the date field follows only the first.
    for (QCheckBox* caixa : {ckbEmissaoApartir, ckbGerarAcertoConformeFaseProcesso, ckbGerarEstornoComissao})
        connect(caixa, &QCheckBox::toggled, this, [this] { Protegido([this] { ckbEmissaoApartirClick(); }); });
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason motivo) {
        if (motivo == QSystemTrayIcon::DoubleClick) Protegido([this] { ShowWindow1Click(); });
    });
    edtHoraAtualizacao->installEventFilter(this);
}

void TfrmPrincipal::FormCreate() {
    std::string avisoTrava;
    std::string conexao;
    const auto sequencia = [this, &avisoTrava, &conexao] {
        QCoreApplication::setApplicationName(Q(kTituloPrograma));

        const auto data = sistema_.DataModificacao(CaminhoExecutavel());
        lblVersao->setText(Q("Versão: ") + (data ? Q(db::FormatarDataHoraCurta(db::DataHoraLocal(*data))) : QString()));
        lblVersao->repaint();
        if (const auto ultima = agendador_.UltimaExecucao()) MostrarUltimaExecucao(*ultima);

        if (!modoManual_) {
            const std::string pastaDados = motor_.LocalizarPastaDados();
            const TravaEncontrada trava = ExaminarArquivoTrava(CaminhoExecutavel(), pastaDados, sistema_);
            if (trava.estado == EstadoTrava::Ocupada) {
                // The system's text first; what holds the lock on a line of its own.
                ExibirMensagem("O aplicativo " + CaminhoExecutavel() + " já está sendo executado em outra sessão de trabalho." +
                               (trava.detalhe.empty() ? "" : "\n" + trava.detalhe));
                SolicitarEncerramento();
            } else {
                // A lock left behind by a monitor or run of this computer that has ended (a crash,
                // the end on a lost server) is taken over instead of keeping every start out.
                CriarArquivoTrava(CaminhoExecutavel(), motor_.LocalizarPastaDados(), sistema_);
                if (trava.estado == EstadoTrava::Abandonada) avisoTrava = MensagemTravaAssumida(trava.dono);
            }
        }

        conexao = motor_.LerCaminhoBanco();
        motor_.ConectarBanco(conexao);
        manutencao::VerificarAtualizacao(motor_, sistema_, *this, true);

        const std::string hora = motor_.LerParametro("hr_atualizar_comissao");
        if (!hora.empty()) {
            // The stored hour is shown as stored: cut to the box's two characters, 100 would read
            // "10" and fall due at 10h.
            const QString texto = Q(hora);
            edtHoraAtualizacao->setMaxLength(std::max(2, static_cast<int>(texto.size())));
            edtHoraAtualizacao->setText(texto);
        } else {
            char texto[8];
            std::snprintf(texto, sizeof texto, "%02d", relogio_.Agora().hora);
            edtHoraAtualizacao->setText(Q(texto));
        }

        ckbEmissaoApartir->setChecked(false);
        dtEmissaoApartir->setDate(QDate(relogio_.Agora().ano, 1, 1));
        dtEmissaoApartir->setEnabled(false);

        motor_.DesconectarBanco(true);

        Timer2->start();
        Timer1->start();

        if (modoManual_) BitBtn2Click();
    };
    Protegido([this, &sequencia, &conexao] {
        try {
            sequencia();
        } catch (const std::exception& e) {
            // Without timers nothing runs until the user's click: said where an operator looks.
            agendador_.RegistrarFalhaNoInicio(e, conexao);
            throw;
        }
    });
    // Said once the sequence is over, whether it completed or not: with the timers already
    // running, the box waiting for its OK holds up neither the watchdog nor the schedule.
    if (!avisoTrava.empty())
        Protegido([this, &avisoTrava] { MostrarMensagem(avisoTrava, kTituloPrograma, db::Icone::Aviso); });
}

void TfrmPrincipal::MostrarIconeInicial() {
    if (temBandeja_) {
        TrayIcon1->show();
    } else if (!isVisible()) {
        showMinimized();  // no notification area: the minimised window stands in for the icon
    }
}

void TfrmPrincipal::ShowWindow1Click() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
    TrayIcon1->hide();
}

void TfrmPrincipal::BitBtn1Click() {
    if (!temBandeja_) {
        showMinimized();  // hidden, it could not be found again without an icon
        return;
    }
    hide();
    TrayIcon1->show();
}

void TfrmPrincipal::Exit1Click() { close(); }

void TfrmPrincipal::closeEvent(QCloseEvent* evento) {
    // An end that was only requested runs no close handler: the lock stays, whether or not the
    // window happens to be shown when the event loop closes it.
    if (!encerramentoSolicitado_) Protegido([this] { FormClose(); });
    evento->accept();
    QCoreApplication::quit();
}

void TfrmPrincipal::VigiarPedidosDeEncerramento(int descritor) {
    if (descritor < 0) return;
    auto* vigia = new QSocketNotifier(descritor, QSocketNotifier::Read, this);
    connect(vigia, &QSocketNotifier::activated, this, [this, descritor] {
        if (plataforma::LerPedidoDeEncerramento(descritor)) EncerrarAPedido();
    });
}

void TfrmPrincipal::EncerrarAPedido() {
    // The request is read by the event loop, so it can come between two statements of a run or
    // while a box waits: the process ends here, and the code that was waiting never goes on with
    // its connection gone.
    try {
        motor_.DesconectarBanco(false);
    } catch (const std::exception& e) {
        std::cerr << kTituloPrograma << ": " << e.what() << std::endl;
    }
    // A start that was refused (another monitor holds the lock) and asked to end runs no close
    // steps: the lock is the other monitor's.
    if (!encerramentoSolicitado_) {
        try {
            InteracaoMuda muda;
            ApagarArquivoTrava(CaminhoExecutavel(), db::LocalizarPastaDados(CaminhoExecutavel(), muda));
        } catch (const std::exception& e) {
            std::cerr << kTituloPrograma << ": " << e.what() << std::endl;
        }
    }
    sistema_.TerminarProcesso(0);
}

void TfrmPrincipal::FormClose() { ApagarArquivoTrava(CaminhoExecutavel(), motor_.LocalizarPastaDados()); }

void TfrmPrincipal::BitBtn2Click() {
    if (agendador_.EmExecucao()) return;
    agendador_.bMesnagemClickBotao = true;
    Timer1->stop();
    Timer1->start();
    Timer1Timer();
}

void TfrmPrincipal::Timer1Timer() {
    agendador_.Timer1Timer();
    if (avisoWatchdogAdiado_) MostrarAvisoWatchdog();  // the tick's work is committed or rolled back
}

void TfrmPrincipal::Timer2Timer() {
    std::string pastaDados;
    bool conectado = true;
    try {
        pastaDados = motor_.LocalizarPastaDados();
        conectado = ServidorConectado(pastaDados);
    } catch (const std::exception&) {
        // Treated as no signal: a server briefly out of reach must not end the monitor. While a
        // document's work is uncommitted its rows stay locked for the ERP's users as long as a box
        // waits, so the notice then waits for the commit (ProcessarEventos shows it).
        if (UnidadeDeTrabalhoAberta())
            avisoWatchdogAdiado_ = true;
        else
            MostrarAvisoWatchdog();
        return;
    }
    if (!conectado) {
        ApagarArquivoTrava(CaminhoExecutavel(), pastaDados);
        sistema_.EncerrarProcesso(NomeProgramaMonitor());
    }
}

// One message at a time; the watchdog timer goes on firing while it waits for its OK.
void TfrmPrincipal::MostrarAvisoWatchdog() {
    avisoWatchdogAdiado_ = false;
    if (avisoWatchdogPendente_) return;
    avisoWatchdogPendente_ = true;
    struct Liberar {
        bool& pendente;
        ~Liberar() { pendente = false; }
    } liberar{avisoWatchdogPendente_};
    MostrarMensagem(kMensagemPastaInacessivel, db::kAvisoDoSistema, db::Icone::Erro);
}

bool TfrmPrincipal::UnidadeDeTrabalhoAberta() const {
    return motor_.IBD_BancoDados && motor_.IBD_BancoDados->TrabalhoPendente();
}

void TfrmPrincipal::SpinButton1UpClick() { edtHoraAtualizacao->setText(Q(HoraAcima(TextoHora()))); }

void TfrmPrincipal::SpinButton1DownClick() { edtHoraAtualizacao->setText(Q(HoraAbaixo(TextoHora()))); }

bool TfrmPrincipal::edtHoraAtualizacaoExit() {
    bool aceita = false;
    Protegido([this, &aceita] {
        aceita = HoraAceita(TextoHora());
        if (!aceita) MostrarMensagem(kMensagemHoraInvalida, kTituloHoraInvalida, db::Icone::Aviso);
    });
    if (!aceita) {
        // The focus goes back to the box once the focus change under way has finished.
        QTimer::singleShot(0, edtHoraAtualizacao, [this] { edtHoraAtualizacao->setFocus(Qt::OtherFocusReason); });
    }
    return aceita;
}

bool TfrmPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == edtHoraAtualizacao && evento->type() == QEvent::FocusOut && !verificandoHora_) {
        // Only a move of the focus inside the window is a leave; a message box or another window
        // taking the focus is not.
        const Qt::FocusReason motivo = static_cast<QFocusEvent*>(evento)->reason();
        if (motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason) {
            verificandoHora_ = true;
            edtHoraAtualizacaoExit();
            verificandoHora_ = false;
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void TfrmPrincipal::ckbEmissaoApartirClick() { dtEmissaoApartir->setEnabled(ckbEmissaoApartir->isChecked()); }

void TfrmPrincipal::Protegido(const std::function<void()>& acao) {
    try {
        acao();
    } catch (const std::exception& e) {
        MostrarErro(e.what());
    } catch (...) {
        MostrarErro("Erro desconhecido.");
    }
}

void TfrmPrincipal::MostrarErro(const std::string& texto) {
    try {
        MostrarMensagem(texto, kTituloPrograma, db::Icone::Erro);
    } catch (...) {
        std::cerr << kTituloPrograma << ": " << texto << std::endl;
    }
}

// comissao::PainelExecucao

void TfrmPrincipal::MostrarLegenda(const std::string& legenda) {
    lblUltimaExecucao->hide();
    lblAguarde->setText(Q(legenda));
    lblAguarde->show();
    lblAguarde->repaint();
}

void TfrmPrincipal::OcultarLegenda() {
    lblAguarde->hide();
    lblAguarde->repaint();
    lblUltimaExecucao->setVisible(!lblUltimaExecucao->text().isEmpty());
}

void TfrmPrincipal::MostrarBarra(bool visivel) { Gauge1->setVisible(visivel); }

void TfrmPrincipal::DefinirMaximo(int maximo) {
    maximo_ = maximo;
    AtualizarBarra();
}

void TfrmPrincipal::DefinirPosicao(int posicao) {
    posicao_ = posicao;
    AtualizarBarra();
}

void TfrmPrincipal::Avancar() {
    ++posicao_;
    AtualizarBarra();
}

// The gauge keeps its own maximum and position; the bar shows them clamped, so an empty phase
// (maximum 0) draws an empty bar rather than a busy indicator.
void TfrmPrincipal::AtualizarBarra() {
    const int maximo = maximo_ > 0 ? maximo_ : 1;
    Gauge1->setRange(0, maximo);
    Gauge1->setValue(posicao_ < 0 ? 0 : (posicao_ > maximo ? maximo : posicao_));
}

void TfrmPrincipal::ProcessarEventos() {
    QCoreApplication::processEvents();
    if (avisoWatchdogAdiado_ && !UnidadeDeTrabalhoAberta()) MostrarAvisoWatchdog();
}

bool TfrmPrincipal::EmissaoAPartir() const { return ckbEmissaoApartir->isChecked(); }

db::DataHora TfrmPrincipal::DataEmissaoAPartir() const {
    const QDate data = dtEmissaoApartir->date();
    return {data.year(), data.month(), data.day(), 0, 0, 0};
}

// db::Interacao

void TfrmPrincipal::MostrarMensagem(const std::string& texto, const std::string& titulo, db::Icone icone) {
    if (mensagens_ != nullptr) {
        mensagens_->MostrarMensagem(texto, titulo, icone);
        return;
    }
    QMessageBox caixa(IconeCaixa(icone), Q(titulo), Q(texto), QMessageBox::Ok, isVisible() ? this : nullptr);
    caixa.setTextFormat(Qt::PlainText);
    ++caixasAbertas_;
    caixa.exec();
    --caixasAbertas_;
    if (encerramentoSolicitado_ && caixasAbertas_ == 0) QTimer::singleShot(0, this, [this] { EncerrarSeSolicitado(); });
}

void TfrmPrincipal::SolicitarEncerramento() {
    encerramentoSolicitado_ = true;
    if (mensagens_ != nullptr) {
        mensagens_->SolicitarEncerramento();
        return;
    }
    // Takes effect when the event loop next turns; before the loop has started, the program
    // entry sees the request and does not start it.
    QTimer::singleShot(0, this, [this] { EncerrarSeSolicitado(); });
}

void TfrmPrincipal::EncerrarSeSolicitado() {
    // Only the program's own event loop is ended, with no box open. Inside a box's loop, exit()
    // would close that box before anyone read it, and every box after it too: Qt then ends each
    // new event loop at once. The box's closing asks again; before the program's loop has
    // started (level 0), the program entry sees the request. exit(), not quit(): quit() would
    // first close the visible windows, running their close handlers.
    if (caixasAbertas_ > 0 || QThread::currentThread()->loopLevel() != 1) return;
    QCoreApplication::exit(0);
}

void TfrmPrincipal::ExibirMensagem(const std::string& texto) {
    if (mensagens_ != nullptr) {
        mensagens_->ExibirMensagem(texto);
        return;
    }
    manutencao::ExibirMensagem(texto);
}

// TelaAgendador

std::string TfrmPrincipal::TextoHora() const { return edtHoraAtualizacao->text().toStdString(); }

std::string TfrmPrincipal::TextoInicio() const { return lblInicioAtualizacao->text().toStdString(); }

void TfrmPrincipal::EscreverInicio(const std::string& texto) {
    lblInicioAtualizacao->setText(Q(texto));
    lblInicioAtualizacao->repaint();
}

void TfrmPrincipal::EscreverFinal(const std::string& texto) {
    lblUltimaAtualizacao->setText(Q(texto));
    lblUltimaAtualizacao->repaint();
}

void TfrmPrincipal::MostrarProgresso() {
    lblUltimaExecucao->hide();
    lblAguarde->show();
    lblAguarde->repaint();
    Gauge1->show();
    DefinirPosicao(1);
}

void TfrmPrincipal::OcultarProgresso() {
    lblAguarde->hide();
    lblAguarde->repaint();
    lblUltimaExecucao->setVisible(!lblUltimaExecucao->text().isEmpty());
    Gauge1->hide();
    DefinirPosicao(0);
}

bool TfrmPrincipal::NaoGerarAcertos() const { return ckbGerarAcertoConformeFaseProcesso->isChecked(); }

bool TfrmPrincipal::NaoGerarEstorno() const { return ckbGerarEstornoComissao->isChecked(); }

void TfrmPrincipal::AbrirJanela() { ShowWindow1Click(); }

void TfrmPrincipal::MostrarUltimaExecucao(const RegistroExecucao& registro) {
    // One line has room for the cause only, not for the engine's opening line ("exception 1").
    RegistroExecucao resumido = registro;
    if (resumido.erro) resumido.erro = CausaDoErro(*resumido.erro);
    const QString linha = Q(LinhaUltimaExecucao(resumido));
    lblUltimaExecucao->setText(linha);
    // The line takes the progress's place while no run shows its progress there.
    lblUltimaExecucao->setVisible(!lblAguarde->isVisibleTo(this));
    TrayIcon1->setToolTip(Q(kTituloPrograma) + QStringLiteral("\n") + linha);
    TrayIcon1->setIcon(registro.status == kRegistroConcluida ? IconeMonitor() : IconeComFalha());
}

void TfrmPrincipal::PararTemporizadores() {
    Timer1->stop();
    Timer2->stop();
}

}  // namespace zelprax::monitor
