// The image in its three forms: a Picture as the image files read and write
// it, the session's planes, and a QImage for the screen.
#ifndef MORFEL_STUDIO_PICTURE_PLANES_H
#define MORFEL_STUDIO_PICTURE_PLANES_H

#include <QImage>
#include <memory>

#include "files/files.h"
#include "session/session.h"

// The open image, shared read-only by the interface and the runs.
using SharedPicture = std::shared_ptr<const Picture>;

// The context's source planes := the picture. False (planes empty) when
// memory could not be had.
bool LoadSourcePlanes(FilterContext& context, const Picture& picture);
// A run's result planes as a picture, rows packed.
Picture PlanesToPicture(const RgbtImage& rgb, const RgbtImage& t);
// An RGB plane (blue, green, red) or a picture for the screen; a null image
// for an empty one.
QImage PlaneToImage(const RgbtImage& rgb);
QImage PictureToImage(const Picture& picture);

#endif
