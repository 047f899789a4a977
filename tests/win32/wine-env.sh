# Sourced by the scripts that run this build's programs: the Wine for WINEARCH (win32, the
# default, or win64) in $rlq_wine. 64-bit programs go to wine64 itself, which needs no 32-bit
# support from the kernel; Debian's `wine` starts the 32-bit loader whenever wine32 is installed.
export WINEARCH=${WINEARCH:-win32}
case $WINEARCH in
    win32) rlq_wine=wine ;;
    win64)
        rlq_wine=/usr/lib/wine/wine64
        # What Wine starts itself (wineboot's helpers, services) goes through the same loader.
        export WINELOADER=$rlq_wine
        ;;
    *)
        echo "wine-env.sh: unknown WINEARCH $WINEARCH" >&2
        exit 2
        ;;
esac

# Wine's stand-ins for the Windows fonts lack Japanese: they draw it with IPA P Gothic, which is
# proportional like MS UI Gothic, and measure it as they draw it. For a new prefix.
rlq_wine_japanese_fonts() {
    local font
    for font in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "MS Sans Serif"; do
        "$rlq_wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAPGothic /f \
            >/dev/null 2>&1 || true
    done
}
