#pragma once
// TImage: a picture painted on its form. The picture comes from the form
// resource as stored picture data (the class name of its format, then the
// format's own data) and is drawn by its format, stretched when asked.

#include "platform/ui/Controls.h"

#include <memory>
#include <vector>

class TBitmap;
namespace ui { class StoredPicture; }

class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    bool Stretch = false;
    bool Center = false;
    bool Transparent = false;
    bool AutoSize = false;

    // The stored picture data as read; setting it reads the picture (its
    // format must be registered: EInvalidGraphic otherwise).
    const std::vector<std::uint8_t>& PictureData() const { return stored_; }
    void SetPictureData(const std::vector<std::uint8_t>& stored);

    void Paint(TCanvas& canvas, const TRect& bounds) const override;

private:
    std::unique_ptr<ui::StoredPicture> picture_;
    std::vector<std::uint8_t> stored_;
    mutable std::unique_ptr<TBitmap> cache_;  // the picture as last painted
};
