#include "app/icone.h"

#include <QFileInfo>
#include <QPixmap>

namespace zelprax::monitor {

namespace {

// A theme can list a name whose only file needs a renderer this installation lacks (a scalable
// picture without the SVG plugin): such an icon is there but paints nothing.
bool Desenha(const QIcon& icone) { return !icone.isNull() && !icone.pixmap(32, 32).isNull(); }

}  // namespace

QIcon IconeInstalado(const QString& nomeNoTema, const QString& arquivo) {
    if (QIcon doTema = QIcon::fromTheme(nomeNoTema); Desenha(doTema)) return doTema;
    if (!arquivo.isEmpty() && QFileInfo(arquivo).isFile()) {
        if (QIcon doArquivo(arquivo); Desenha(doArquivo)) return doArquivo;
    }
    return QIcon();
}

QString ArquivoIconeInstalado() { return QStringLiteral(ZELPRAX_ICONE_INSTALADO); }

QIcon IconeInstalado() { return IconeInstalado(QString::fromLatin1(kNomeIconeTema), ArquivoIconeInstalado()); }

}  // namespace zelprax::monitor
