#!/usr/bin/env bash
# Starts a virtual X display of its own, runs the monitor in manual mode on it, waits for the
# first "Aviso do Sistema" message box, photographs the screen, answers OK from the keyboard and
# waits for the process to end. Prints what it saw as key=value lines.
# Usage: sessao_x.sh PROGRAM SCREENSHOT.png
set -u
programa=$1
captura=$2

# Xvfb picks a free display number itself and reports it once it accepts clients (-displayfd),
# so parallel runs never share or race for a display, as a fixed or guessed number can.
canal=$(mktemp -u)
mkfifo "$canal"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$canal" 2>/dev/null &
xvfb=$!
numero=""
read -r -t 30 numero <"$canal" || true
rm -f "$canal"
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
if [[ -z "$numero" ]]; then
  echo "display=nao"
  exit 1
fi
export DISPLAY=":$numero"
export QT_QPA_PLATFORM=xcb

"$programa" manual &
pid=$!

janela=""
for _ in $(seq 1 900); do  # up to 90 s: the sanitizer build starts slowly
  janela=$(xdotool search --onlyvisible --name '^Aviso do Sistema$' 2>/dev/null | head -n1)
  [[ -n "$janela" ]] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done

if [[ -n "$janela" ]]; then
  echo "mensagem=sim"
  sleep 1  # let the box and the window behind it finish drawing
  import -window root "$captura" && echo "captura=sim"
else
  echo "mensagem=nao"
fi

# OK from the keyboard, again while the box is still there (a busy machine may map it late).
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  caixa=$(xdotool search --onlyvisible --name '^Aviso do Sistema$' 2>/dev/null | head -n1)
  if [[ -n "$caixa" ]]; then
    xdotool windowfocus --sync "$caixa" 2>/dev/null || true
    xdotool key Return
    sleep 0.5
  fi
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "terminou=nao"
  kill -9 "$pid"
fi
wait "$pid"
echo "saida=$?"
