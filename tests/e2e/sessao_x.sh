#!/usr/bin/env bash
# Runs the monitor in manual mode on the current X display (xvfb-run gives one), waits for the
# first "Aviso do Sistema" message box, photographs the screen, answers OK from the keyboard and
# waits for the process to end. Prints what it saw as key=value lines.
# Usage: sessao_x.sh PROGRAM SCREENSHOT.png
set -u
programa=$1
captura=$2
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
