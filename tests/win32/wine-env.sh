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
