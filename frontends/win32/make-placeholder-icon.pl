#!/usr/bin/perl
# Writes a stand-in program icon (one 32 x 32 image, 24-bit colour) for builds made before the
# real icon exists.   make-placeholder-icon.pl out.ico
use strict;
use warnings;
my ($out) = @ARGV or die "usage: $0 out.ico\n";
my $size = 32;
my $pixels = '';
for my $y (0 .. $size - 1) {
    for my $x (0 .. $size - 1) {
        my $border = $x < 2 || $y < 2 || $x >= $size - 2 || $y >= $size - 2;
        $pixels .= $border ? pack('CCC', 0x40, 0x20, 0x10) : pack('CCC', 0xC0, 0x70, 0x20);
    }
}
my $mask = "\0" x ($size * 4);    # one bit per pixel, rows padded to 32 bits: all opaque
my $bitmap = pack('VVVvvVVVVVV', 40, $size, $size * 2, 1, 24, 0, length($pixels) + length($mask),
                  0, 0, 0, 0) . $pixels . $mask;
open(my $fh, '>:raw', $out) or die "$out: $!\n";
print $fh pack('vvv', 0, 1, 1);
print $fh pack('CCCCvvVV', $size, $size, 0, 0, 1, 24, length($bitmap), 6 + 16);
print $fh $bitmap;
close($fh) or die "$out: $!\n";
