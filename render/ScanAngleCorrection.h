// Panoramic (scan-angle) correction: a cross-track scanner samples at equal
// angle steps, so its pixels stretch towards the swath edges; these routines
// resample an image column by column so that output columns are equally
// spaced in ground distance across the track. Rows are left as they are.
#pragma once

#include <span>
#include <vector>

#include "render/BMPExtImage.h"
#include "render/RenderHost.h"

namespace kestrune {

// Full-resolution scans (2048 columns; Meteor images of that width are first
// stretched from their 1568 active columns). Altitude is the pass's mean
// satellite altitude in km. The progress bar, when given, follows the rows.
// Images that are neither 8-bit nor 24-bit leave Dest untouched.
void CorrectPanorama(const TExtBitmap& Source, TExtBitmap& Dest, TRenderHost* Progress, bool Meteor, float Altitude);

// 409-column GAC images at the nominal 848 km orbit. Dest becomes a copy of
// Source, corrected when Source is 409 columns of 8 or 24 bits.
void CorrectPanoramaGAC(const TExtBitmap& Source, TExtBitmap& Dest);

// Source column (fractional, 0 = first) of every output column.
std::vector<float> PanoramaColumns(int sourceWidth, bool meteor, float altitude);
std::vector<float> GacPanoramaColumns();

// Output column i := the source interpolated at columns[i], for every row.
void ResampleColumns(const TExtBitmap& image, TExtBitmap& Dest, std::span<const float> columns,
                     TRenderHost* Progress);

}  // namespace kestrune
