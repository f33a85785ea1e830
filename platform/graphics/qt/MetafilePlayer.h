#pragma once
// Replays metafile pages (platform/graphics/Metafile.h) onto a QPainter: an
// image, a PDF page, a widget. The page's frame is scaled onto the target
// rectangle; records the player does not know are skipped by their size,
// and records whose fields do not fit them are skipped too.
//
// At scale 1 on an image the player draws through QtCanvas, so a replayed
// page matches the same drawing done straight on a QtCanvas pixel for
// pixel. Text is placed by the advances the page recorded: where the
// installed fonts give the same advances the text is drawn as one run, as
// the canvas draws it; elsewhere each character goes to its recorded place.

#include <QImage>
#include <QPainter>
#include <QRectF>

#include "platform/graphics/Metafile.h"

namespace graphics::qt {

// Plays the page onto painter, its frame stretched over target (in the
// painter's coordinates). The painter's state is as it was afterwards.
void play_metafile(const TMetafile& page, QPainter& painter, const QRectF& target);

// The page on a white image at dpi pixels per inch (96: one pixel a page
// pixel); EInvalidGraphicOperation "Invalid metafile size" when the image
// would be empty or larger than 20000 pixels a side.
QImage render_metafile(const TMetafile& page, double dpi = 96);

// Draws a page on a QtCanvas through its painter (false for other canvases):
// the metafile drawer unit_startup() installs, so that TMetafile::Draw
// plays pages as vectors on Qt's devices.
bool draw_on_qt_canvas(const TMetafile& page, TCanvas& canvas, const TRect& rect);

}  // namespace graphics::qt
