# Sourced by the sound tests. captured_matches CAPTURE PLAYED: what ALSA's
# file device received holds the same rate, channels and samples as sox's
# decode of the wave handed over, or $mismatch says why not. The device's 44-byte header calls floats integers, so
# the samples after it are read as the played wave's encoding says, at the
# width the player chose. sox carries floats through 32-bit integers, which
# keeps about 24 bits of them; integers must match exactly. Silence after the
# last frame is the device's padding of its last period (Wine adds some when
# the machine is busy), not part of the sound.
captured_matches() {
  local capture=$1 played=$2 encoding=signed bits
  [ -s "$capture" ] || { mismatch="nothing was captured"; return 1; }
  [[ "$(soxi -e "$played" 2>/dev/null)" == *Floating* ]] && encoding=floating-point
  bits=$(soxi -p "$capture")
  mismatch="captured $(soxi -r "$capture") Hz x $(soxi -c "$capture"), the wave is $(soxi -r "$played") Hz x $(soxi -c "$played")"
  [ "$(soxi -r "$capture")/$(soxi -c "$capture")" = "$(soxi -r "$played")/$(soxi -c "$played")" ] || return 1
  mismatch="the captured frames are not sox's decode of $played"
  python3 - "$encoding" <(tail -c +45 "$capture") <(sox "$played" -t raw -e "$encoding" -b "$bits" -L - 2>/dev/null) <<'PY'
import struct, sys
kind, a, b = sys.argv[1], open(sys.argv[2], 'rb').read(), open(sys.argv[3], 'rb').read()
if len(a) > len(b) and not a[len(b):].strip(b'\0'):
    a = a[:len(b)]
if kind != 'floating-point' or len(a) != len(b):
    sys.exit(a != b)
x, y = (struct.unpack('<%df' % (len(v) // 4), v[:len(v) // 4 * 4]) for v in (a, b))
sys.exit(any(abs(p - q) > 2 ** -22 for p, q in zip(x, y)))
PY
}
