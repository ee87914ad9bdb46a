#!/usr/bin/env bash
# Rebuilds share/demo-device/: a small iPhone file system (rootless jailbreak
# layout) with about twenty apps and a sound library. Every icon and sound is
# drawn or synthesised here; nothing is taken from a real device.
# Needs: python3, ImageMagick (/usr/bin/convert), sox, ffmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
out=demo-device
convert=/usr/bin/convert
rm -rf "$out"
mkdir -p "$out"

# A real phone reaches /var and /var/jb through symbolic links; so does this one.
mkdir -p "$out/private/var" "$out/private/preboot/5C3A1E/jb-Q2W7/procursus"
ln -s /private/var "$out/var"
ln -s /private/preboot/5C3A1E/jb-Q2W7/procursus "$out/private/var/jb"
jb="$out/private/preboot/5C3A1E/jb-Q2W7/procursus"
var="$out/private/var"
mkdir -p "$out/Applications" "$var/containers/Bundle/Application" "$jb/Applications" \
         "$jb/Library/Application Support/Chimewell" "$var/mobile/Library/Preferences"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# icon FILE COLOR1 COLOR2 GLYPH [FONT]: a rounded square with a white glyph.
icon() {
  local file=$1 top=$2 bottom=$3 glyph=$4 font=${5:-DejaVu-Sans-Bold}
  "$convert" -size 120x120 "gradient:$top-$bottom" \
    \( -size 120x120 xc:none -fill white -draw "roundrectangle 0,0 119,119 27,27" \) \
    -compose DstIn -composite \
    -font "$font" -pointsize 64 -fill white -gravity center -annotate +0+2 "$glyph" \
    -strip "$file"
}

# info FILE FORMAT(xml|binary) ID NAME ICONSTYLE(modern|legacy) [hidden]
info() {
  python3 - "$@" <<'PY'
import plistlib, sys
path, fmt, ident, name, style = sys.argv[1:6]
hidden = len(sys.argv) > 6
d = {"CFBundleIdentifier": ident, "CFBundleDisplayName": name, "CFBundleName": name,
     "CFBundleExecutable": name.replace(" ", ""), "CFBundlePackageType": "APPL",
     "CFBundleShortVersionString": "1.0", "CFBundleVersion": "1"}
if style == "modern":
    d["CFBundleIcons"] = {"CFBundlePrimaryIcon": {"CFBundleIconFiles": ["AppIcon60x60"]}}
else:
    d["CFBundleIconFiles"] = ["Icon.png"]
if hidden:
    d["SBAppTags"] = ["hidden"]
with open(path, "wb") as f:
    plistlib.dump(d, f, fmt=plistlib.FMT_BINARY if fmt == "binary" else plistlib.FMT_XML)
PY
}

# app DIR FORMAT ID NAME STYLE COLOR1 COLOR2 GLYPH [hidden]
app() {
  local dir=$1 fmt=$2 ident=$3 name=$4 style=$5 c1=$6 c2=$7 glyph=$8
  mkdir -p "$dir"
  info "$dir/Info.plist" "$fmt" "$ident" "$name" "$style" ${9:+hidden}
  if [[ $style == modern ]]; then
    icon "$dir/AppIcon60x60@2x.png" "$c1" "$c2" "$glyph"
  else
    icon "$dir/Icon.png" "$c1" "$c2" "$glyph"
  fi
}

# System apps, in /Applications.
A="$out/Applications"
app "$A/MobileSafari.app"  binary com.apple.mobilesafari Safari     modern '#5ac8fa' '#007aff' S
app "$A/MobileMail.app"    binary com.apple.mobilemail   Mail       modern '#64b5ff' '#1a73e8' M
app "$A/MobileSMS.app"     xml    com.apple.MobileSMS    Messages   modern '#6ee66e' '#28c840' '…'
app "$A/MobilePhone.app"   binary com.apple.mobilephone  Phone      modern '#6ee66e' '#2bb24c' P
app "$A/MobileCal.app"     xml    com.apple.mobilecal    Calendar   legacy '#ff6b6b' '#e0352b' 31
app "$A/MobileNotes.app"   binary com.apple.mobilenotes  Notes      modern '#ffe066' '#f7b500' N
app "$A/Music.app"         binary com.apple.Music        Music      modern '#ff7a8a' '#fa233b' '♪'
app "$A/Weather.app"       xml    com.apple.weather      Weather    legacy '#7cc4ff' '#2f7fe0' '☀'
app "$A/Camera.app"        binary com.apple.camera       Camera     modern '#b0b0b5' '#5a5a60' C
app "$A/Preferences.app"   binary com.apple.Preferences  Settings   modern '#a8a8ae' '#6b6b70' '⚙'
app "$A/WebSheet.app"      xml    com.apple.webapp       'Web Sheet' modern '#cccccc' '#999999' W hidden

# App Store apps, each in its own container.
C="$var/containers/Bundle/Application"
app "$C/0B1E7C52-4D7A-4F61-9D3B-1A2B3C4D5E01/CafeCreme.app" binary com.example.cafecreme  'Café Crème'  modern '#c69c6d' '#7b4a26' 'C'
app "$C/1C2F8D63-5E8B-4072-8E4C-2B3C4D5E6F02/MeteoPlus.app" xml    com.example.meteoplus  'Météo Plus'  modern '#9ad0ff' '#3478f6' 'M'
app "$C/2D3A9E74-6F9C-4183-9F5D-3C4D5E6F7003/Nikki.app"     binary jp.example.nikki       '日記'         modern '#ffb3c7' '#e0457b' '✎'
app "$C/3E4BAF85-7AAD-4294-8A6E-4D5E6F708104/Pochta.app"    xml    ru.example.pochta      'Почта Мини'  legacy '#8fd3ff' '#0a84ff' 'П'
app "$C/4F5CB096-8BBE-43A5-9B7F-5E6F70819205/Khara.app"     binary com.example.kharait    'خرائط'       modern '#a3e4a0' '#34a853' 'خ'
app "$C/506DC1A7-9CCF-44B6-8C80-6F708192A306/Nandu.app"     binary com.example.nandu      'Ñandú Chat'  modern '#ffd29d' '#ff8a00' 'Ñ'
app "$C/617ED2B8-ADD0-45C7-9D91-708192A3B407/Notes.app"     xml    com.example.notes      Notes         modern '#fff3a0' '#d4a200' 'n'
app "$C/728FE3C9-BEE1-46D8-8EA2-8192A3B4C508/Tidepool.app"  binary com.example.tidepool   Tidepool      modern '#7fe3e0' '#0f9d9a' 'T'
app "$C/8390F4DA-CFF2-47E9-9FB3-92A3B4C5D609/OmegaTasks.app" xml   gr.example.omegatasks  'Ωmega Tasks' legacy '#c7b3ff' '#7b5cff' 'Ω'

# Jailbreak apps, under the rootless prefix.
J="$jb/Applications"
app "$J/Shelf.app"      binary org.example.shelf      Shelf         modern '#d0d0d0' '#3c3c43' '▤'
app "$J/TweakStore.app" xml    org.example.tweakstore 'Tweak Store' modern '#ffb86b' '#ff6b00' '★'

# The sound library: chimes synthesised with sox, in each format the pane plays.
S="$jb/Library/Application Support/Chimewell"
tone() { sox -n -r 22050 -c 1 "$tmp/$1" synth "${@:2}"; }
tone e.wav 1.6 pluck E5 fade 0 1.6 1.2
tone b.wav 1.6 pluck B5 fade 0 1.6 1.2
sox -m "$tmp/e.wav" "$tmp/b.wav" "$tmp/chime.wav" gain -3
tone g1.wav 1.2 sine 1760 fade q 0.005 1.2 1.1
tone g2.wav 1.2 sine 2637 fade q 0.005 1.2 1.1
sox -m "$tmp/g1.wav" "$tmp/g2.wav" "$tmp/glass.wav" gain -6
tone m1.wav 0.25 pluck C5 fade 0 0.25 0.2
tone m2.wav 0.25 pluck E5 fade 0 0.25 0.2
tone m3.wav 0.6 pluck G5 fade 0 0.6 0.5
sox "$tmp/m1.wav" "$tmp/m2.wav" "$tmp/m3.wav" "$tmp/marimba.wav" gain -3
tone ping.wav 0.45 sine 1320 fade q 0.002 0.45 0.4 gain -4
tone pulse.wav 5 sine 660 tremolo 2 90 fade 0.2 5 0.5 gain -6
tone s1.wav 6 pluck C4 fade 0.5 6 1
tone s2.wav 6 pluck G4 fade 0.5 6 1
sox -m "$tmp/s1.wav" "$tmp/s2.wav" "$tmp/sunrise.wav" tremolo 0.5 40 gain -n -3
ffmpeg -loglevel error -i "$tmp/chime.wav"   -c:a aac -b:a 96k -f ipod "$S/Chime.m4r"
ffmpeg -loglevel error -i "$tmp/sunrise.wav" -c:a aac -b:a 96k -f ipod "$S/Sunrise.m4r"
ffmpeg -loglevel error -i "$tmp/glass.wav"   -c:a pcm_s16le -f caf "$S/Glass.caf"
ffmpeg -loglevel error -i "$tmp/marimba.wav" -c:a libmp3lame -b:a 96k "$S/Marimba.mp3"
sox "$tmp/ping.wav" -b 16 "$S/Ping.wav"
sox "$tmp/pulse.wav" -b 16 "$S/Soft Pulse.aiff"
printf 'Drop .m4r, .caf, .mp3, .wav or .aiff files into this folder.\n' > "$S/ReadMe.txt"

# The Settings app's own preferences: another party's keys, no Chimewell settings yet.
python3 - "$var/mobile/Library/Preferences/com.apple.Preferences.plist" <<'PY'
import plistlib, sys
with open(sys.argv[1], "wb") as f:
    plistlib.dump({"kKeyboardClickSound": True, "SBAutoLockTime": 60}, f, fmt=plistlib.FMT_BINARY)
PY
echo "demo device written to share/$out"
