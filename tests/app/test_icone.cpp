// The program's icon: the desktop's icon theme first, then the file the package installs, and the
// drawn icon when neither gives a picture; the window and the notification area show the same.

#include <fstream>
#include <sstream>
#include <string>

#include <QIcon>
#include <QImage>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

#include "app/UnPrincipal.h"
#include "app/icone.h"
#include "aplicativo_teste.h"
#include "erp_teste.h"
#include "support/interacao_gravada.h"
#include "../commission/motor_teste.h"

namespace zelprax::monitor {
namespace {

// A picture of one colour, saved as a PNG file.
void SalvarImagem(const std::string& caminho, Qt::GlobalColor cor) {
    QImage imagem(32, 32, QImage::Format_ARGB32);
    imagem.fill(cor);
    ASSERT_TRUE(imagem.save(QString::fromStdString(caminho), "PNG")) << caminho;
}

// The colour at a point of the icon as it is painted ("#rrggbb"); empty for an icon that paints
// nothing.
std::string CorDoIcone(const QIcon& icone, int x = 16, int y = 16) {
    const QImage imagem = icone.pixmap(32, 32).toImage();
    return imagem.isNull() ? std::string() : imagem.pixelColor(x, y).name().toStdString();
}

// An icon theme "teste" in a temporary folder holding one red icon, zelprax-comissao, made the
// desktop's theme for the length of the test.
class IconeTeste : public ::testing::Test {
protected:
    void SetUp() override {
        teste::Aplicativo();
        namespace fs = std::filesystem;
        fs::create_directories(pasta.Caminho() / "temas/teste/32x32/apps");
        std::ofstream(pasta / "temas/teste/index.theme")
            << "[Icon Theme]\nName=teste\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Fixed\n";
        SalvarImagem(pasta / "temas/teste/32x32/apps/zelprax-comissao.png", Qt::red);
        SalvarImagem(pasta / "azul.png", Qt::blue);
        std::ofstream(pasta / "texto.svg") << "não é uma imagem";
        temasAntes = QIcon::themeSearchPaths();
        temaAntes = QIcon::themeName();
        QIcon::setThemeSearchPaths({QString::fromStdString(pasta / "temas")});
        QIcon::setThemeName(QStringLiteral("teste"));
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(temasAntes);
        QIcon::setThemeName(temaAntes);
    }

    teste::PastaTemporaria pasta;
    QStringList temasAntes;
    QString temaAntes;
};

TEST_F(IconeTeste, DoTemaSenaoDoArquivoSenaoNenhum) {
    struct Caso {
        const char* nomeNoTema;
        std::string arquivo;
        std::string esperada;  // empty: a null icon
    };
    const Caso casos[] = {
        {"zelprax-comissao", pasta / "azul.png", "#ff0000"},  // the theme comes first
        {"zelprax-comissao", "", "#ff0000"},
        {"zelprax-ausente", pasta / "azul.png", "#0000ff"},  // not in the theme: the file
        {"zelprax-ausente", pasta / "nao-existe.png", ""},    // neither
        {"zelprax-ausente", pasta / "texto.svg", ""},         // a file that is no picture
        {"zelprax-ausente", pasta.Caminho().string(), ""},    // a folder
    };
    for (const Caso& caso : casos) {
        const QIcon icone = IconeInstalado(QString::fromLatin1(caso.nomeNoTema), QString::fromStdString(caso.arquivo));
        EXPECT_EQ(CorDoIcone(icone), caso.esperada) << caso.nomeNoTema << " " << caso.arquivo;
        EXPECT_EQ(icone.isNull(), caso.esperada.empty()) << caso.nomeNoTema << " " << caso.arquivo;
    }
}

TEST_F(IconeTeste, JanelaEAreaDeNotificacaoMostramOIconeInstalado) {
    teste::InstalacaoERP erp;
    teste::RelogioFixo relogio;
    teste::InteracaoGravada interacao;
    std::ostringstream erros;
    TfrmPrincipal janela(erp.sistema, relogio, false, &interacao, &erros);
    EXPECT_EQ(CorDoIcone(janela.windowIcon()), "#ff0000");
    EXPECT_EQ(CorDoIcone(janela.TrayIcon1->icon()), "#ff0000");
}

// Whether or not this machine has the package's icon installed: the drawing stands in for a null
// icon, and an installed one is shown as it is.
TEST_F(IconeTeste, SemIconeInstaladoOMonitorDesenhaOSeu) {
    EXPECT_EQ(CorDoIcone(IconeMonitor(QIcon()), 6, 16), "#1e883c");  // the drawn icon: a green disc
    EXPECT_EQ(CorDoIcone(IconeMonitor(QIcon(QString::fromStdString(pasta / "azul.png")))), "#0000ff");
}

}  // namespace
}  // namespace zelprax::monitor
