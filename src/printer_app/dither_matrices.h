#pragma once
// Threshold matrices for turning 8-bit gray into the printer's dots.
#include <pappl/pappl.h>

// An impact dot is a round blot of ink wider than the dot pitch, so a
// pattern prints darker than its share of dots and single dots next to
// each other run together. Graphics and text get a dispersed (Bayer)
// pattern for sharp edges; photos a clustered-dot screen whose dots grow
// as round clumps, which holds its tone better on a ribbon. Both are
// lightened for the dot gain: a mid gray sets fewer than half the dots.
void makeGraphicsDither(pappl_dither_t matrix);
void makePhotoDither(pappl_dither_t matrix);

// Darkness d inks a share d/255 of the cells (Bayer order), with no
// allowance for dot gain: the density Ghostscript's screen gives a
// document in the CUPS filter chain, and any darkness above 0 inks a cell.
void makeLinearDither(pappl_dither_t matrix);
