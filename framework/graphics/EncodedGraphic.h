// A picture class kept as its decoded bitmap and, while they still match, the encoded bytes it
// was loaded from. Derived supplies DecodeBytes (bytes to pixels) and EncodeBitmap (FBitmap to
// bytes); everything else is shared.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx {

template <class Derived>
class TEncodedGraphic : public TGraphic {
public:
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }

    // Decodes the stream's remaining bytes at once and keeps them for saving.
    void LoadFromStream(TStream& stream) override
    {
        int64_t remaining = stream.Size() - stream.Position();
        std::vector<uint8_t> data(static_cast<size_t>(remaining > 0 ? remaining : 0));
        data.resize(static_cast<size_t>(stream.Read(data.data(), static_cast<int64_t>(data.size()))));
        TBitmap bitmap;
        Derived::DecodeBytes(data.data(), data.size(), bitmap);
        FBitmap = bitmap;
        SetEncoded(std::move(data));
    }

    // The kept bytes while unchanged, else the bitmap encoded first.
    void SaveToStream(TStream& stream) override
    {
        if (Encoded().empty() && !FBitmap.Empty()) {
            std::vector<uint8_t> data;
            static_cast<Derived*>(this)->EncodeBitmap(data);
            SetEncoded(std::move(data));
        }
        const std::vector<uint8_t>& data = Encoded();
        if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    }

    // From a picture of the same class (a copy) or a bitmap (shared; encoded when saved).
    void Assign(const TGraphic& source) override
    {
        if (auto* same = dynamic_cast<const Derived*>(&source)) {
            if (same != this) *static_cast<Derived*>(this) = *same;
        } else if (auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
            FBitmap = *bitmap;
            FEncoded.reset();
        } else {
            TGraphic::Assign(source);
        }
    }

    TGraphic* Clone() const override { return new Derived(static_cast<const Derived&>(*this)); }

    void Draw(TCanvas& canvas, const TRect& rect) const override
    {
        if (!FBitmap.Empty()) FBitmap.Draw(canvas, rect);
    }

    bool ToBitmap(TBitmap& target) const override
    {
        target = FBitmap;
        return true;
    }

protected:
    // The encoded bytes matching FBitmap; empty when there are none.
    const std::vector<uint8_t>& Encoded() const
    {
        static const std::vector<uint8_t> none;
        return FEncoded ? *FEncoded : none;
    }
    void SetEncoded(std::vector<uint8_t> data)
    {
        FEncoded = std::make_shared<const std::vector<uint8_t>>(std::move(data));
    }

    TBitmap FBitmap;  // decoded or assigned pixels
    // Copies of the picture share the bytes as they share the pixels; they are never changed,
    // only replaced.
    std::shared_ptr<const std::vector<uint8_t>> FEncoded;
};

}  // namespace gfx
