#pragma once
// The program's icon as the package installs it: one scalable picture that the menu entry, the
// window and the notification area share.

#include <QIcon>
#include <QString>

namespace zelprax::monitor {

// The icon's name in the desktop's icon theme.
inline constexpr char kNomeIconeTema[] = "zelprax-comissao";

// The installed icon: `nomeNoTema` from the desktop's icon theme, else the picture file
// `arquivo`. A null icon when neither gives a picture (nothing installed, or no renderer for the
// file's format), so that the caller falls back to one it draws itself.
QIcon IconeInstalado(const QString& nomeNoTema, const QString& arquivo);

// Where the package puts this program's icon.
QString ArquivoIconeInstalado();

// The same for this program: its theme name and that file.
QIcon IconeInstalado();

}  // namespace zelprax::monitor
