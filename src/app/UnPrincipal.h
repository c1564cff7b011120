#pragma once
// The main window TfrmPrincipal: the settings, the tray icon and its menu, the two timers and the
// start-up sequence. It shows and forwards: the run belongs to AgendadorComissao, the work to the
// engine it owns, the lock and watchdog rules to trava.h.

#include <functional>
#include <iosfwd>
#include <string>

#include <QWidget>

#include "app/agendador.h"
#include "commission/motor.h"
#include "commission/painel.h"
#include "db/datas.h"
#include "db/interacao.h"
#include "platform/platform.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QProgressBar;
class QPushButton;
class QIcon;
class QSystemTrayIcon;
class QTimer;
class QToolButton;

namespace zelprax::monitor {

inline constexpr int kIntervaloTimer1 = 3'000'000;  // 50 minutes
inline constexpr int kIntervaloTimer2 = 5'000;

// The icon of the notification area and of the window: `instalado` (IconeInstalado) when it is not
// null, else a green disc with a white "C" drawn in its place.
QIcon IconeMonitor(const QIcon& instalado);

// The up/down button beside the hour box.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent);
    QToolButton* UpButton;
    QToolButton* DownButton;
};

class TfrmPrincipal : public QWidget,
                      public comissao::PainelExecucao,
                      public db::Interacao,
                      public TelaAgendador {
    Q_OBJECT
public:
    // `mensagens`, when given, receives every message, notice and end request instead of the
    // screen (the window tests record them); `erros` receives a failed run's full error text.
    TfrmPrincipal(plataforma::Sistema& sistema, const db::Relogio& relogio, bool modoManual,
                  db::Interacao* mensagens = nullptr, std::ostream* erros = nullptr);
    ~TfrmPrincipal() override;

    // The start-up sequence (FormCreate). An error ends it where it happens and is shown by the
    // default error display, written to the error stream and recorded in the journal; the timers
    // are then not started.
    void FormCreate();
    // After window creation: the tray icon made visible, or, on a desktop without a notification
    // area, the window shown minimised in its place.
    void MostrarIconeInicial();
    bool EncerramentoSolicitado() const { return encerramentoSolicitado_; }
    // Watches the descriptor on which requests from outside to end the program arrive
    // (plataforma::ReterPedidosDeEncerramento); -1 watches nothing.
    void VigiarPedidosDeEncerramento(int descritor);
    // Such a request: what is pending in the database is rolled back, the close steps of "&Sair"
    // follow without any box, and the process ends at once.
    void EncerrarAPedido();

    // The handlers.
    void ShowWindow1Click();
    void BitBtn1Click();
    void Exit1Click();
    void BitBtn2Click();
    void Timer1Timer();
    void Timer2Timer();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    // The leave check of the hour box; false when the focus is sent back to the box.
    bool edtHoraAtualizacaoExit();
    void ckbEmissaoApartirClick();

    comissao::Motor& Motor() { return motor_; }
    AgendadorComissao& Agendador() { return agendador_; }
    bool TemBandeja() const { return temBandeja_; }

    // comissao::PainelExecucao
    void MostrarLegenda(const std::string& legenda) override;
    void OcultarLegenda() override;
    void MostrarBarra(bool visivel) override;
    void DefinirMaximo(int maximo) override;
    void DefinirPosicao(int posicao) override;
    void Avancar() override;
    void ProcessarEventos() override;
    bool EmissaoAPartir() const override;
    db::DataHora DataEmissaoAPartir() const override;

    // db::Interacao
    void MostrarMensagem(const std::string& texto, const std::string& titulo, db::Icone icone) override;
    void SolicitarEncerramento() override;
    void ExibirMensagem(const std::string& texto) override;

    // TelaAgendador
    std::string TextoHora() const override;
    std::string TextoInicio() const override;
    void EscreverInicio(const std::string& texto) override;
    void EscreverFinal(const std::string& texto) override;
    void MostrarProgresso() override;
    void OcultarProgresso() override;
    bool NaoGerarAcertos() const override;
    bool NaoGerarEstorno() const override;
    void AbrirJanela() override;
    void PararTemporizadores() override;
    void MostrarUltimaExecucao(const RegistroExecucao& registro) override;

    QGroupBox* GroupBox1;
    QLabel* lblHora;
    QLineEdit* edtHoraAtualizacao;
    TSpinButton* SpinButton1;
    QGroupBox* GroupBox2;
    QCheckBox* ckbEmissaoApartir;
    QDateEdit* dtEmissaoApartir;
    QCheckBox* ckbGerarAcertoConformeFaseProcesso;
    QCheckBox* ckbGerarEstornoComissao;
    QGroupBox* GroupBox3;
    QLabel* lblInicio;
    QLabel* lblInicioAtualizacao;
    QLabel* lblFinal;
    QLabel* lblUltimaAtualizacao;
    QLabel* lblVersao;
    QLabel* lblAguarde;
    QLabel* lblUltimaExecucao;  // the journal's last run, where the progress shows during a run
    QProgressBar* Gauge1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn1;
    QSystemTrayIcon* TrayIcon1;
    QMenu* PopupMenu1;
    QAction* ShowWindow1;
    QAction* Exit1;
    QTimer* Timer1;
    QTimer* Timer2;

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CriarControles();
    void LigarSinais();
    void FormClose();
    // The requested end, once every box is answered and the program's event loop runs.
    void EncerrarSeSolicitado();
    // Runs a handler; what escapes it reaches the default error display.
    void Protegido(const std::function<void()>& acao);
    void MostrarErro(const std::string& texto);
    void AtualizarBarra();
    void MostrarAvisoWatchdog();
    bool UnidadeDeTrabalhoAberta() const;
    std::string CaminhoExecutavel() const { return sistema_.CaminhoExecutavel(); }

    plataforma::Sistema& sistema_;
    const db::Relogio& relogio_;
    bool modoManual_;
    db::Interacao* mensagens_;
    std::ostream& erros_;
    int caixasAbertas_ = 0;  // message boxes waiting for their OK
    bool temBandeja_;
    bool encerramentoSolicitado_ = false;
    bool avisoWatchdogPendente_ = false;  // the watchdog's notice is on screen
    bool avisoWatchdogAdiado_ = false;    // the notice waits for the document's commit
    bool verificandoHora_ = false;
    int maximo_ = 100;
    int posicao_ = 0;
    comissao::Motor motor_;
    AgendadorComissao agendador_;
};

}  // namespace zelprax::monitor
