// The main window offscreen, against an ERP installation in a temporary folder, with every
// message recorded instead of shown.

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/UnPrincipal.h"
#include "app/execucao.h"
#include "app/hora.h"
#include "app/registro.h"
#include "app/trava.h"
#include "aplicativo_teste.h"
#include "db/banco.h"
#include "erp_teste.h"
#include "support/interacao_gravada.h"
#include "../commission/motor_teste.h"

namespace zelprax::monitor {
namespace {

namespace fs = std::filesystem;

// Records like InteracaoGravada, and lets a test act while a message "waits for its OK".
class InteracaoComEspera : public teste::InteracaoGravada {
public:
    void MostrarMensagem(const std::string& texto, const std::string& titulo, db::Icone icone) override {
        teste::InteracaoGravada::MostrarMensagem(texto, titulo, icone);
        if (enquantoEspera) enquantoEspera();
    }
    std::function<void()> enquantoEspera;
};

class JanelaTeste : public ::testing::Test {
protected:
    void SetUp() override {
        teste::Aplicativo();
        relogio.agora = {2026, 12, 9, 7, 48, 0};
        Dados().Parametro({{"ST_MONITOR_COMISSAO_ATIVO", "'S'"}});
    }
    void TearDown() override { db::FalharNaOperacao(0); }

    // A connection of the test's own, opened only while it is used: the start-up's parameter-table
    // upgrade alters the table and must not find it in use.
    teste::DadosTeste& Dados() {
        dados = std::make_unique<teste::DadosTeste>(erp.banco);
        return *dados;
    }
    std::string Ler(const std::string& sql) {
        std::string valor = Dados().Valor(sql);
        dados.reset();
        return valor;
    }

    TfrmPrincipal& Criar(bool manual = false) {
        dados.reset();
        frm = std::make_unique<TfrmPrincipal>(erp.sistema, relogio, manual, &interacao, &erros);
        return *frm;
    }
    TfrmPrincipal& Iniciar(bool manual = false) {
        Criar(manual).FormCreate();
        return *frm;
    }

    // A run that fails: its delete of a zero entry meets a trigger that raises an exception, which
    // the engine reports as "exception 1", the exception's name, its text and where it was raised.
    void GatilhoQueFalha() {
        Dados().Executar("create exception e_fechamento 'Comissoes do mes fechadas'");
        Dados().Executar("create trigger t_fechamento for mov_comissao before delete as begin "
                         "exception e_fechamento; end");
        Dados().Entrada(1, {{"VL_COMISSAO", "0"}});
        dados.reset();
    }

    std::string TextoHora() const { return frm->edtHoraAtualizacao->text().toStdString(); }
    bool TravaExiste() const { return fs::exists(erp.trava); }
    static std::string NomeMaquina() {
        char nome[256] = {};
        ::gethostname(nome, sizeof nome - 1);
        return nome;
    }
    // The lock this test program writes as the monitor: the fixed line, then this computer, this
    // process and its program.
    std::string TravaDesteProcesso() const {
        return ConteudoArquivoTrava(erp.executavel) + "maquina=" + NomeMaquina() + "\r\nprocesso=" +
               std::to_string(::getpid()) + "\r\nprograma=" + fs::read_symlink("/proc/self/exe").filename().string() +
               "\r\nidentidade=" + plataforma::SistemaNativo().IdentidadeMaquina() + "\r\n";
    }

    teste::InstalacaoERP erp;
    std::unique_ptr<teste::DadosTeste> dados;
    InteracaoComEspera interacao;
    teste::RelogioFixo relogio;
    std::ostringstream erros;
    std::unique_ptr<TfrmPrincipal> frm;
};

TEST_F(JanelaTeste, ControlesComSuasLegendasEValoresIniciais) {
    TfrmPrincipal& j = Criar();
    EXPECT_EQ(j.windowTitle(), QString::fromUtf8("zelprax Monitor Comissão"));
    EXPECT_EQ(j.size(), QSize(411, 402));
    EXPECT_EQ(j.minimumSize(), j.maximumSize());
    EXPECT_FALSE(j.windowFlags() & Qt::WindowMaximizeButtonHint);
    const std::pair<QString, QString> legendas[] = {
        {j.GroupBox1->title(), "Programação Diária"},
        {j.lblHora->text(), "Hora para Atualização:"},
        {j.GroupBox2->title(), "Configurações Gerais"},
        {j.ckbEmissaoApartir->text(), "Emissão a partir de"},
        {j.ckbGerarAcertoConformeFaseProcesso->text(), "Não gerar acertos conforme a fase do processo"},
        {j.ckbGerarEstornoComissao->text(), "Não gerar estorno de comissão de inadimplentes"},
        {j.GroupBox3->title(), "Última Atualização"},
        {j.lblInicio->text(), "Início:"},
        {j.lblInicioAtualizacao->text(), "00/00/0000 00:00"},
        {j.lblFinal->text(), "Final:"},
        {j.lblUltimaAtualizacao->text(), "00/00/0000 00:00"},
        {j.lblAguarde->text(), "Aguarde..."},
        {j.BitBtn2->text(), "Atualizar as Comissões"},
        {j.BitBtn1->text(), "Minimizar"},
        {j.TrayIcon1->toolTip(), "zelprax Monitor Comissão"},
    };
    for (const auto& [atual, esperada] : legendas) EXPECT_EQ(atual, QString::fromUtf8(esperada.toUtf8()));
    EXPECT_TRUE(j.GroupBox1->font().bold());
    EXPECT_FALSE(j.lblHora->font().bold());
    EXPECT_EQ(j.font().pointSize(), 8);

    const QList<QAction*> menu = j.PopupMenu1->actions();
    ASSERT_EQ(menu.size(), 3);
    EXPECT_EQ(menu[0]->text(), QString::fromUtf8("&Abrir Monitor Comissão"));
    EXPECT_TRUE(menu[1]->isSeparator());
    EXPECT_EQ(menu[2]->text(), QString::fromUtf8("&Sair"));

    EXPECT_EQ(j.edtHoraAtualizacao->maxLength(), 2);
    EXPECT_FALSE(j.lblAguarde->isVisibleTo(&j));
    EXPECT_FALSE(j.Gauge1->isVisibleTo(&j));
    EXPECT_EQ(j.Timer1->interval(), 3'000'000);
    EXPECT_EQ(j.Timer2->interval(), 5'000);
    EXPECT_FALSE(j.isVisible());
}

TEST_F(JanelaTeste, InicioNormalCriaATravaLeAHoraELiberaAConexao) {
    TfrmPrincipal& j = Iniciar();
    EXPECT_TRUE(interacao.mensagens.empty()) << interacao.mensagens.front().texto;
    EXPECT_EQ(erp.LerArquivo(erp.trava), TravaDesteProcesso());
    EXPECT_EQ(TextoHora(), "7");
    EXPECT_FALSE(j.ckbEmissaoApartir->isChecked());
    EXPECT_EQ(j.dtEmissaoApartir->date(), QDate(2026, 1, 1));
    EXPECT_EQ(j.dtEmissaoApartir->text(), "01/01/2026");
    EXPECT_FALSE(j.dtEmissaoApartir->isEnabled());
    EXPECT_TRUE(j.Timer1->isActive());
    EXPECT_TRUE(j.Timer2->isActive());
    EXPECT_FALSE(j.Motor().TemConexao());
    EXPECT_TRUE(j.lblVersao->text().startsWith(QString::fromUtf8("Versão: ")));
    EXPECT_EQ(j.lblVersao->text().size(), QString::fromUtf8("Versão: dd/mm/yyyy hh:mm").size());
    EXPECT_EQ(interacao.pedidosDeEncerramento, 0);
    EXPECT_FALSE(j.isVisible());
}

TEST_F(JanelaTeste, HoraVaziaNoBancoDaAHoraAtualComDoisDigitos) {
    for (const auto& [hora, esperado] : {std::pair{14, "14"}, std::pair{7, "07"}}) {
        Dados().Executar("update tab_parametro set hr_atualizar_comissao = null");
        relogio.agora.hora = hora;
        Iniciar();
        EXPECT_EQ(TextoHora(), esperado);
        frm.reset();
    }
}

// The box shows the stored hour as stored, however long: cut to two characters, 100 would read
// "10" and fall due at 10h. An hour outside 0 to 23 is never due.
TEST_F(JanelaTeste, HoraGuardadaMostradaComoEstaEForaDoIntervaloNuncaVence) {
    for (const char* hora : {"100", "24", "-1", "7"}) {
        SCOPED_TRACE(hora);
        Dados().Executar(std::string("update tab_parametro set hr_atualizar_comissao = ") + hora);
        TfrmPrincipal& j = Iniciar();
        EXPECT_EQ(TextoHora(), hora);
        for (int h : {10, 0, 23}) {
            relogio.agora.hora = h;
            j.Timer1Timer();
        }
        EXPECT_EQ(j.lblInicioAtualizacao->text(), "00/00/0000 00:00");
        EXPECT_TRUE(erp.sistema.encerrados.empty());
        EXPECT_TRUE(j.Timer1->isActive());
        frm.reset();
    }
}

TEST_F(JanelaTeste, OutraInstanciaEmExecucaoAvisaEEncerraSemTocarNaTrava) {
    teste::EscreverArquivo(erp.trava, "de outro monitor");
    TfrmPrincipal& j = Iniciar();
    ASSERT_EQ(interacao.avisos.size(), 1u);
    // The system's text, then what the lock file is: here it names no holder.
    EXPECT_EQ(interacao.avisos[0],
              "O aplicativo " + erp.executavel + " já está sendo executado em outra sessão de trabalho.\nO arquivo de trava " +
                  erp.trava +
                  " não diz que programa o mantém (foi gravado por outra versão ou outro programa); se nenhum monitor "
                  "estiver em execução, ele pode ser apagado.");
    EXPECT_EQ(interacao.pedidosDeEncerramento, 1);
    EXPECT_TRUE(j.EncerramentoSolicitado());
    EXPECT_EQ(erp.LerArquivo(erp.trava), "de outro monitor");

    // When the requested end comes, the event loop closes the windows it finds shown: that runs
    // no close handler either, so the other monitor's lock stays.
    j.show();
    j.close();
    EXPECT_EQ(erp.LerArquivo(erp.trava), "de outro monitor");
}

TEST_F(JanelaTeste, TravaDeixadaPorProcessoQueTerminouNestaMaquinaEhAssumidaComUmAviso) {
    // No process can have this number: it lies above the largest the system hands out.
    const std::string maquina = NomeMaquina();
    teste::EscreverArquivo(erp.trava, ConteudoArquivoTrava(erp.executavel) + "maquina=" + maquina +
                                          "\r\nprocesso=99999999\r\nprograma=zelpraxComissao2\r\n");
    TfrmPrincipal& j = Iniciar();
    EXPECT_TRUE(interacao.avisos.empty());
    EXPECT_EQ(interacao.pedidosDeEncerramento, 0);
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, "O arquivo de trava deixado por uma execução anterior (processo 99999999 em " +
                                                maquina + "), que não está mais em execução, foi assumido por esta execução.");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
    EXPECT_EQ(erp.LerArquivo(erp.trava), TravaDesteProcesso());
    EXPECT_TRUE(j.Timer1->isActive());
    EXPECT_TRUE(j.Timer2->isActive());
}

TEST_F(JanelaTeste, ErroNoInicioVaiParaAExibicaoDeErrosSemTemporizadores) {
    fs::create_directories(erp.trava);  // the lock file cannot be written: a folder holds its name
    TfrmPrincipal& j = Iniciar();
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].titulo, "zelprax Monitor Comissão");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
    EXPECT_NE(interacao.mensagens[0].texto.find("zelpraxComissao2.lock"), std::string::npos);
    EXPECT_FALSE(j.Timer1->isActive());
    EXPECT_FALSE(j.Timer2->isActive());
}

TEST_F(JanelaTeste, BancoInacessivelNoInicioTambemParaOsTemporizadores) {
    erp.ApontarBanco("sumiu.fdb");
    TfrmPrincipal& j = Iniciar();
    ASSERT_FALSE(interacao.mensagens.empty());
    EXPECT_EQ(interacao.mensagens.back().titulo, "zelprax Monitor Comissão");
    EXPECT_EQ(interacao.mensagens.back().icone, db::Icone::Erro);
    EXPECT_FALSE(j.Timer1->isActive());
    EXPECT_FALSE(j.Timer2->isActive());
}

// Real boxes, answered as a user would. The updater's box requests the end; the connection's error
// box after it is seen all the same, and the error also reaches the error stream and the journal.
TEST_F(JanelaTeste, BancoInacessivelNoInicioMostraCadaCaixaEDizOErro) {
    erp.ApontarBanco("sumiu.fdb");
    fs::remove(erp.raiz / "Update/zelpraxAtualizador");
    dados.reset();
    frm = std::make_unique<TfrmPrincipal>(erp.sistema, relogio, false, nullptr, &erros);
    frm->Agendador().DefinirRegistro(erp.raiz / "execucoes.jsonl");
    std::vector<std::string> vistas;
    QTimer usuario;
    QObject::connect(&usuario, &QTimer::timeout, [&vistas] {
        if (auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            vistas.push_back(caixa->text().toStdString());
            caixa->accept();
        }
    });
    usuario.start(10);
    frm->FormCreate();
    ASSERT_EQ(vistas.size(), 2u);
    EXPECT_EQ(vistas[0].rfind("Não foi encontrado o zelprax Atualizador", 0), 0u);
    EXPECT_NE(vistas[1].find("sumiu.fdb"), std::string::npos) << vistas[1];
    EXPECT_TRUE(frm->EncerramentoSolicitado());
    EXPECT_NE(erros.str().find("sumiu.fdb"), std::string::npos) << erros.str();
    ASSERT_TRUE(frm->Agendador().UltimaExecucao().has_value());
    EXPECT_NE(frm->Agendador().UltimaExecucao()->erro.value_or("").find("sumiu.fdb"), std::string::npos);
}

TEST_F(JanelaTeste, ModoManualExecutaNaCriacaoSemTestarNemEscreverATrava) {
    teste::EscreverArquivo(erp.trava, "de outro monitor");
    relogio.agora.hora = 15;
    TfrmPrincipal& j = Iniciar(true);
    EXPECT_TRUE(interacao.avisos.empty());
    ASSERT_EQ(interacao.mensagens.size(), 1u) << erros.str();
    EXPECT_EQ(interacao.mensagens[0].texto, kNenhumRegistro);
    EXPECT_EQ(erp.sistema.encerrados.back(), NomeProgramaMonitor());
    EXPECT_EQ(erp.LerArquivo(erp.trava), "de outro monitor");  // not its lock: never deleted
    EXPECT_TRUE(j.isVisible());
    EXPECT_FALSE(j.TrayIcon1->isVisible());
    EXPECT_EQ(j.lblInicioAtualizacao->text(), "09/12/2026 15:48:00");
    EXPECT_EQ(j.lblUltimaAtualizacao->text(), "09/12/2026 15:48:00");
    EXPECT_FALSE(j.lblAguarde->isVisible());
    EXPECT_FALSE(j.Gauge1->isVisible());
    EXPECT_EQ(Ler("select st_monitor_comissao_ativo from tab_parametro"), "N");
}

TEST_F(JanelaTeste, BotoesDaHoraSemDarAVolta) {
    TfrmPrincipal& j = Criar();
    struct Caso {
        const char* texto;
        QToolButton* botao;
        const char* depois;
    };
    const Caso casos[] = {
        {"23", j.SpinButton1->UpButton, "23"}, {"22", j.SpinButton1->UpButton, "23"},
        {"0", j.SpinButton1->DownButton, "0"}, {"07", j.SpinButton1->DownButton, "6"},
        {"07", j.SpinButton1->UpButton, "8"},
    };
    for (const Caso& c : casos) {
        j.edtHoraAtualizacao->setText(c.texto);
        QTest::mouseClick(c.botao, Qt::LeftButton);
        EXPECT_EQ(TextoHora(), c.depois) << c.texto;
    }
    EXPECT_TRUE(interacao.mensagens.empty());

    j.edtHoraAtualizacao->setText("ab");
    QTest::mouseClick(j.SpinButton1->UpButton, Qt::LeftButton);
    EXPECT_EQ(TextoHora(), "ab");
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].titulo, "zelprax Monitor Comissão");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
}

TEST_F(JanelaTeste, SaidaDaCaixaDeHoraForaDoIntervaloDevolveOFoco) {
    TfrmPrincipal& j = Criar();
    j.show();
    QApplication::setActiveWindow(&j);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&j));
    struct Caso {
        const char* texto;
        bool mensagem;
    };
    for (const Caso& c : {Caso{"24", true}, Caso{"0", false}, Caso{"23", false}, Caso{"-1", true}}) {
        SCOPED_TRACE(c.texto);
        interacao.mensagens.clear();
        j.edtHoraAtualizacao->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(j.edtHoraAtualizacao->hasFocus());
        j.edtHoraAtualizacao->setText(c.texto);
        j.ckbEmissaoApartir->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        if (c.mensagem) {
            ASSERT_EQ(interacao.mensagens.size(), 1u);
            EXPECT_EQ(interacao.mensagens[0].texto, "A hora para atualização deve estar entre 0 e 23h");
            EXPECT_EQ(interacao.mensagens[0].titulo, "Aviso Do Sistema");
            EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
            EXPECT_TRUE(j.edtHoraAtualizacao->hasFocus());
        } else {
            EXPECT_TRUE(interacao.mensagens.empty());
            EXPECT_TRUE(j.ckbEmissaoApartir->hasFocus());
        }
        EXPECT_EQ(TextoHora(), c.texto);
    }
    interacao.mensagens.clear();
    j.edtHoraAtualizacao->setFocus();
    j.edtHoraAtualizacao->setText("ab");
    EXPECT_FALSE(j.edtHoraAtualizacaoExit());
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].titulo, "zelprax Monitor Comissão");
}

TEST_F(JanelaTeste, CampoDeDataSoComEmissaoAPartirMarcada) {
    TfrmPrincipal& j = Iniciar();
    EXPECT_FALSE(j.dtEmissaoApartir->isEnabled());
    j.ckbGerarAcertoConformeFaseProcesso->setChecked(true);
    j.ckbGerarEstornoComissao->setChecked(true);
    EXPECT_FALSE(j.dtEmissaoApartir->isEnabled());
    QTest::mouseClick(j.ckbEmissaoApartir, Qt::LeftButton, {}, QPoint(5, j.ckbEmissaoApartir->height() / 2));
    EXPECT_TRUE(j.ckbEmissaoApartir->isChecked());
    EXPECT_TRUE(j.dtEmissaoApartir->isEnabled());
    j.dtEmissaoApartir->setDate(QDate(2025, 3, 15));
    EXPECT_TRUE(j.EmissaoAPartir());
    EXPECT_EQ(j.DataEmissaoAPartir(), (db::DataHora{2025, 3, 15, 0, 0, 0}));
    j.ckbEmissaoApartir->setChecked(false);
    EXPECT_FALSE(j.dtEmissaoApartir->isEnabled());
    EXPECT_FALSE(j.EmissaoAPartir());
    EXPECT_TRUE(j.NaoGerarAcertos());
    EXPECT_TRUE(j.NaoGerarEstorno());
}

TEST_F(JanelaTeste, BotaoAtualizarExecutaEmQualquerHora) {
    relogio.agora = {2026, 12, 9, 6, 58, 0};
    TfrmPrincipal& j = Iniciar();
    relogio.agora.segundo = 30;
    QTest::mouseClick(j.BitBtn2, Qt::LeftButton);
    ASSERT_EQ(interacao.mensagens.size(), 1u) << erros.str();
    EXPECT_EQ(interacao.mensagens[0].texto, kNenhumRegistro);
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Aviso);
    EXPECT_TRUE(j.Timer1->isActive());
    EXPECT_FALSE(j.Agendador().bMesnagemClickBotao);
    EXPECT_EQ(erp.sistema.encerrados.back(), NomeProgramaMonitor());
    EXPECT_FALSE(TravaExiste());
    EXPECT_EQ(Ler("select hr_atualizar_comissao from tab_parametro"), "7");
}

TEST_F(JanelaTeste, TiqueAgendadoForaDaHoraNaoExecuta) {
    relogio.agora = {2026, 12, 9, 6, 58, 0};
    TfrmPrincipal& j = Iniciar();
    j.Timer1Timer();
    EXPECT_TRUE(interacao.mensagens.empty());
    EXPECT_EQ(j.lblInicioAtualizacao->text(), "00/00/0000 00:00");
    EXPECT_TRUE(erp.sistema.encerrados.empty());
    EXPECT_FALSE(j.Motor().TemConexao());
    relogio.agora.minuto = 59;
    relogio.agora.hora = 7;
    j.Timer1Timer();  // at the hour a scheduled run shows no final message
    EXPECT_TRUE(interacao.mensagens.empty());
    EXPECT_EQ(j.lblInicioAtualizacao->text(), "09/12/2026 07:59:00");
    EXPECT_EQ(erp.sistema.encerrados.back(), NomeProgramaMonitor());
}

TEST_F(JanelaTeste, ExecucaoQueFalhaMostraOErroParaOsTemporizadoresEGuardaATrava) {
    TfrmPrincipal& j = Iniciar();
    ASSERT_TRUE(TravaExiste());
    db::FalharNaOperacao(4);
    QTest::mouseClick(j.BitBtn2, Qt::LeftButton);
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto.rfind(std::string(kExecucaoFalhou) + "Falha provocada no teste", 0), 0u);
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
    EXPECT_FALSE(j.Timer1->isActive());
    EXPECT_FALSE(j.Timer2->isActive());
    EXPECT_TRUE(TravaExiste());
    EXPECT_TRUE(erp.sistema.encerrados.empty());
    EXPECT_FALSE(j.lblAguarde->isVisibleTo(&j));
    EXPECT_TRUE(j.lblUltimaExecucao->isVisibleTo(&j));
    EXPECT_EQ(j.lblUltimaAtualizacao->text(), "00/00/0000 00:00");
    EXPECT_TRUE(j.Agendador().bMesnagemClickBotao);
    EXPECT_FALSE(j.Motor().TemConexao());
    EXPECT_NE(erros.str().find("Falha provocada no teste"), std::string::npos);
    EXPECT_EQ(Ler("select st_monitor_comissao_ativo from tab_parametro"), "S");

    // Only the button starts the scheduling timer again; the watchdog stays stopped.
    db::FalharNaOperacao(0);
    relogio.agora.segundo = 1;
    QTest::mouseClick(j.BitBtn2, Qt::LeftButton);
    EXPECT_TRUE(j.Timer1->isActive());
    EXPECT_FALSE(j.Timer2->isActive());
}

// Which contents are the signal is the reliability cases' table; here the window acts on it.
TEST_F(JanelaTeste, SinalDESCONECTARApagaATravaEEncerra) {
    TfrmPrincipal& j = Iniciar();
    j.Timer2Timer();  // no signal file: the monitor goes on
    EXPECT_TRUE(erp.sistema.encerrados.empty());
    EXPECT_TRUE(TravaExiste());
    teste::EscreverArquivo(erp.sinal, "DESCONECTAR\r\n");
    j.Timer2Timer();
    EXPECT_EQ(erp.sistema.encerrados.size(), 1u);
    EXPECT_FALSE(TravaExiste());
    EXPECT_TRUE(interacao.mensagens.empty());
}

TEST_F(JanelaTeste, ErroDeLeituraDoSinalUmaMensagemDeCadaVez) {
    TfrmPrincipal& j = Iniciar();
    fs::create_directories(erp.sinal);
    int tiquesDuranteAEspera = 0;
    interacao.enquantoEspera = [&] {
        // The timer goes on firing while the message waits for its OK.
        if (tiquesDuranteAEspera++ < 3) j.Timer2Timer();
    };
    j.Timer2Timer();
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, "Não foi possível acessar a pasta Dados no Servidor.");
    EXPECT_EQ(interacao.mensagens[0].titulo, "Aviso do Sistema");
    EXPECT_EQ(interacao.mensagens[0].icone, db::Icone::Erro);
    EXPECT_EQ(tiquesDuranteAEspera, 1);
    EXPECT_TRUE(erp.sistema.encerrados.empty());  // no signal: the monitor goes on
    EXPECT_TRUE(TravaExiste());

    interacao.enquantoEspera = nullptr;
    j.Timer2Timer();  // answered: the next failing tick shows it again
    EXPECT_EQ(interacao.mensagens.size(), 2u);
}

// While a document's work is uncommitted its rows stay locked for the ERP's users: the watchdog's
// notice waits for the commit instead of holding them for as long as nobody answers.
TEST_F(JanelaTeste, AvisoDoSinalEsperaOCommitDoDocumento) {
    TfrmPrincipal& j = Iniciar();
    fs::create_directories(erp.sinal);
    comissao::Motor& m = j.Motor();
    m.ConectarBanco(erp.banco);
    m.ExecutarComando(m.IBQ_Gen, " update tab_parametro set st_comissao_frete_despesa = 'S'", false);
    j.Timer2Timer();
    j.ProcessarEventos();
    EXPECT_TRUE(interacao.mensagens.empty());
    m.IBT_Gen.CommitRetaining();
    j.ProcessarEventos();
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].texto, kMensagemPastaInacessivel);
    j.ProcessarEventos();
    EXPECT_EQ(interacao.mensagens.size(), 1u);

    // The phases commit a document with the statement " commit retain" too.
    m.ExecutarComando(m.IBQ_Gen, " update tab_parametro set st_comissao_frete_despesa = 'N'", false);
    j.Timer2Timer();
    EXPECT_EQ(interacao.mensagens.size(), 1u);
    m.ExecutarComando(m.IBQ_Gen, " commit retain", false);
    j.ProcessarEventos();
    EXPECT_EQ(interacao.mensagens.size(), 2u);
    m.DesconectarBanco(false);
}

// The last run, at a glance: the window's line and the tray's tooltip read the journal at start
// and after each run, and a failed run marks the tray icon itself.
TEST_F(JanelaTeste, UltimaExecucaoNaJanelaENaBandeja) {
    const std::string arquivo = erp.raiz / "execucoes.jsonl";
    RegistroExecucao anterior;
    anterior.inicio = anterior.fim = {2026, 12, 8, 7, 30, 0};
    anterior.origem = kOrigemRunner;
    ASSERT_EQ(AcrescentarRegistro(arquivo, anterior), "");
    TfrmPrincipal& j = Criar();
    j.Agendador().DefinirRegistro(arquivo);
    j.FormCreate();
    EXPECT_EQ(j.lblUltimaExecucao->text().toStdString(), "Última execução: 08/12/2026 07:30 — concluída");
    EXPECT_TRUE(j.TrayIcon1->toolTip().endsWith(j.lblUltimaExecucao->text()));
    const QImage antes = j.TrayIcon1->icon().pixmap(32, 32).toImage();

    GatilhoQueFalha();
    QTest::mouseClick(j.BitBtn2, Qt::LeftButton);
    EXPECT_EQ(j.lblUltimaExecucao->text().toStdString(),
              "Última execução: 09/12/2026 07:48 — falhou: Comissoes do mes fechadas");
    EXPECT_TRUE(j.TrayIcon1->toolTip().endsWith(j.lblUltimaExecucao->text()));
    const QImage depois = j.TrayIcon1->icon().pixmap(32, 32).toImage();
    EXPECT_NE(antes, depois);
    const QColor marca = depois.pixelColor(20, 28);
    EXPECT_GT(marca.red(), 150);
    EXPECT_LT(marca.green(), 100);

    // The next run completes: its final box already has this run's line under it.
    Dados().Executar("drop trigger t_fechamento");
    dados.reset();
    relogio.agora.minuto = 50;
    std::string linhaNaCaixaFinal;
    interacao.enquantoEspera = [&] {
        linhaNaCaixaFinal = j.lblUltimaExecucao->isVisibleTo(&j) ? j.lblUltimaExecucao->text().toStdString() : "";
    };
    QTest::mouseClick(j.BitBtn2, Qt::LeftButton);
    EXPECT_EQ(interacao.mensagens.back().texto, kNenhumRegistro);
    EXPECT_EQ(linhaNaCaixaFinal, "Última execução: 09/12/2026 07:50 — concluída");
}

TEST_F(JanelaTeste, SairFechaAJanelaEApagaATrava) {
    TfrmPrincipal& j = Iniciar();  // hidden, as when "&Sair" is chosen from the tray icon's menu
    ASSERT_TRUE(TravaExiste());
    j.Exit1->trigger();
    EXPECT_FALSE(TravaExiste());
    EXPECT_FALSE(j.isVisible());
}

TEST_F(JanelaTeste, JanelaEIconeSeRevezam) {
    TfrmPrincipal& j = Criar();
    j.MostrarIconeInicial();
    if (j.TemBandeja()) {
        EXPECT_TRUE(j.TrayIcon1->isVisible());
        EXPECT_FALSE(j.isVisible());
    } else {
        EXPECT_TRUE(j.isMinimized());  // the window stands in for the missing icon
    }
    j.ShowWindow1->trigger();
    EXPECT_TRUE(j.isVisible());
    EXPECT_FALSE(j.isMinimized());
    EXPECT_FALSE(j.TrayIcon1->isVisible());
    QTest::mouseClick(j.BitBtn1, Qt::LeftButton);
    if (j.TemBandeja()) {
        EXPECT_FALSE(j.isVisible());
        EXPECT_TRUE(j.TrayIcon1->isVisible());
    } else {
        EXPECT_TRUE(j.isMinimized());
    }
}

}  // namespace
}  // namespace zelprax::monitor
