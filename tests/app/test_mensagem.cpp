// The notice window: 540 by 80 pixels of wrapped text at the top-left corner, gone after 5 s.

#include <chrono>
#include <string>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "aplicativo_teste.h"
#include "upkeep/ui/UnMensagemConfirmarGenerica.h"

namespace zelprax::manutencao {
namespace {

int JanelasDeAviso() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmMensagemConfirmarGenerica*>(w) != nullptr) ++n;
    return n;
}

TEST(MensagemConfirmarGenerica, SoOTextoSemALinhaDeConfirmacao) {
    teste::Aplicativo();
    const std::string longo(300, 'x');
    for (const std::string& texto : {std::string("O aplicativo já está sendo executado."), longo + " " + longo}) {
        TfrmMensagemConfirmarGenerica* janela = PrepararMensagem(texto);
        ASSERT_EQ(janela, frmMensagemConfirmarGenerica);
        EXPECT_EQ(JanelasDeAviso(), 1);  // the one before was replaced
        EXPECT_TRUE(janela->isVisible());
        EXPECT_FALSE(janela->isModal());
        EXPECT_EQ(janela->windowTitle(), QString::fromUtf8("Aviso do Sistema"));
        EXPECT_EQ(janela->size(), QSize(540, 80));
        EXPECT_EQ(janela->pos(), QPoint(0, 0));
        EXPECT_FALSE(janela->Panel1->isVisible());
        EXPECT_FALSE(janela->ckbConcordo->isVisible());
        EXPECT_FALSE(janela->btnOk->isVisible());
        EXPECT_EQ(janela->lblMensagem->text().toStdString(), texto);
        EXPECT_TRUE(janela->lblMensagem->wordWrap());
        EXPECT_FALSE(janela->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(janela->ckbConcordo->text(), QString::fromUtf8("Estou ciente destas informações."));
    }
    delete frmMensagemConfirmarGenerica;
    EXPECT_EQ(frmMensagemConfirmarGenerica, nullptr);
}

TEST(MensagemConfirmarGenerica, ExibirEsperaCincoSegundosEFecha) {
    teste::Aplicativo();
    const auto inicio = std::chrono::steady_clock::now();
    ExibirMensagem("AVISO: Existe uma nova versão do aplicativo zelpraxComissao2.");
    const auto decorrido = std::chrono::steady_clock::now() - inicio;
    EXPECT_GE(decorrido, std::chrono::milliseconds(5000));
    EXPECT_LT(decorrido, std::chrono::milliseconds(7000));
    EXPECT_EQ(frmMensagemConfirmarGenerica, nullptr);
    EXPECT_EQ(JanelasDeAviso(), 0);
}

}  // namespace
}  // namespace zelprax::manutencao
