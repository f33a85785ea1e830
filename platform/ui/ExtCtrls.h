#pragma once
// TImage: a picture painted on its form, kept as the picture data read from
// the form resource (the class name of its format, then the format's data).

#include "platform/ui/Controls.h"

#include <functional>
#include <vector>

class QImage;

class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override;

    bool Stretch = false;
    bool Center = false;
    bool Transparent = false;
    bool AutoSize = false;
    // Stored picture data, as read from the form resource.
    std::vector<std::uint8_t> PictureData;

    // The name of the picture's format class in its stored data ("" when none).
    std::string PictureClassName() const;

    void Paint(QPainter& painter, const QRect& bounds) const override;

    // How stored picture data becomes an image. Until a format is installed
    // (the picture formats do it at start-up) a picture paints nothing, so the
    // form's colour shows through.
    using Decoder = std::function<bool(const std::vector<std::uint8_t>& stored, QImage& out)>;
    static void SetDecoder(Decoder decoder);
};
