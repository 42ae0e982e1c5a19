// Geometry, colours, mouse buttons, fonts, bitmaps and the cairo drawing context of
// the editor toolkit. Nothing here touches X11: all drawing goes to cairo surfaces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

using CCoord = double;

struct CPoint {
    CCoord h = 0;  // x
    CCoord v = 0;  // y
    CPoint() = default;
    CPoint(CCoord x, CCoord y) : h(x), v(y) {}
    CCoord x() const { return h; }
    CCoord y() const { return v; }
    CPoint& offset(CCoord dx, CCoord dy) {
        h += dx;
        v += dy;
        return *this;
    }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

// Left, top, right, bottom; right and bottom are exclusive.
struct CRect {
    CCoord left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    CRect(const CPoint& origin, CCoord width, CCoord height)
        : left(origin.h), top(origin.v), right(origin.h + width), bottom(origin.v + height) {}

    CCoord width() const { return right - left; }
    CCoord height() const { return bottom - top; }
    CCoord getWidth() const { return width(); }
    CCoord getHeight() const { return height(); }
    CPoint getTopLeft() const { return {left, top}; }
    CPoint getCenter() const { return {(left + right) / 2, (top + bottom) / 2}; }
    bool isEmpty() const { return !(right > left && bottom > top); }
    bool isFinite() const;
    bool pointInside(const CPoint& p) const {
        return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
    }
    bool rectOverlap(const CRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    CRect& offset(CCoord dx, CCoord dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    CRect& inset(CCoord dx, CCoord dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    CRect& bound(const CRect& o);      // intersection (empty when apart)
    CRect& unite(const CRect& o);      // smallest rectangle holding both
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CColor& o) const { return !(*this == o); }
};

constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kGreyCColor{127, 127, 127, 255};
constexpr CColor kTransparentCColor{255, 255, 255, 0};

// Mouse buttons and modifier keys of one event.
enum CButton : std::int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kApple = 1 << 6,
    kDoubleClick = 1 << 7,
};

class CButtonState {
public:
    CButtonState(std::int32_t state = 0) : state_(state) {}
    std::int32_t getButtonState() const { return state_ & (kLButton | kMButton | kRButton); }
    std::int32_t getModifierState() const { return state_ & (kShift | kControl | kAlt | kApple); }
    bool isLeftButton() const { return (state_ & kLButton) != 0; }
    bool isRightButton() const { return (state_ & kRButton) != 0; }
    bool isDoubleClick() const { return (state_ & kDoubleClick) != 0; }
    operator std::int32_t() const { return state_; }
    bool operator==(const CButtonState& o) const { return state_ == o.state_; }
    bool operator!=(const CButtonState& o) const { return state_ != o.state_; }

private:
    std::int32_t state_;
};

// The three answers of a mouse handler.
enum CMouseEventResult {
    kMouseEventNotHandled = 0,
    kMouseEventHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
};

// Reference counting: created with one reference; forget() at zero deletes.
class CBaseObject {
public:
    CBaseObject() = default;
    virtual ~CBaseObject() = default;
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;
    void remember() { ++references_; }
    void forget() {
        if (--references_ <= 0) delete this;
    }
    int getNbReference() const { return references_; }

private:
    int references_ = 1;
};

enum CTxtFace : std::int32_t { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2 };
enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };

// A font by family name and pixel size. "Arial" and the generic names map to
// DejaVu Sans, which every desktop here has.
class CFontDesc : public CBaseObject {
public:
    CFontDesc(const char* name = "DejaVu Sans", CCoord size = 12, std::int32_t style = 0);
    const std::string& getName() const { return name_; }
    // The family cairo is asked for.
    const std::string& getFamily() const { return family_; }
    CCoord getSize() const { return size_; }
    std::int32_t getStyle() const { return style_; }
    void setSize(CCoord size) { size_ = size; }
    void setStyle(std::int32_t style) { style_ = style; }

private:
    std::string name_, family_;
    CCoord size_;
    std::int32_t style_;
};
using CFontRef = CFontDesc*;

// Shared fonts of the toolkit, never deleted.
extern const CFontRef kSystemFont;
extern const CFontRef kNormalFontVeryBig;
extern const CFontRef kNormalFontBig;
extern const CFontRef kNormalFont;
extern const CFontRef kNormalFontSmall;
extern const CFontRef kNormalFontSmaller;
extern const CFontRef kNormalFontVerySmall;

enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

// Drawing on a cairo surface, in frame coordinates. The context keeps its own
// reference to the surface.
class CDrawContext {
public:
    explicit CDrawContext(cairo_surface_t* surface);
    ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    cairo_t* getCairo() const { return cr_; }
    // A fresh cairo context on the same surface (no translation, no clip) when a
    // drawing error has stopped this one; true when it had to.
    bool recover();
    cairo_surface_t* getSurface() const { return surface_; }

    void setFillColor(const CColor& c) { fillColor_ = c; }
    void setFrameColor(const CColor& c) { frameColor_ = c; }
    void setFontColor(const CColor& c) { fontColor_ = c; }
    CColor getFillColor() const { return fillColor_; }
    CColor getFrameColor() const { return frameColor_; }
    CColor getFontColor() const { return fontColor_; }
    void setLineWidth(CCoord w) { lineWidth_ = w; }
    void setFont(const CFontDesc* font, CCoord size = 0, std::int32_t style = -1);
    void setGlobalAlpha(float alpha) { globalAlpha_ = alpha; }
    float getGlobalAlpha() const { return globalAlpha_; }

    // Clipping: one rectangle at a time (empty rect = no clipping).
    void setClipRect(const CRect& r);
    void resetClipRect();
    CRect getClipRect() const { return clip_; }

    void moveTo(const CPoint& p);
    void lineTo(const CPoint& p);
    void drawLine(const CPoint& from, const CPoint& to);
    void drawRect(const CRect& r, CDrawStyle style = kDrawStroked);
    void fillRect(const CRect& r) { drawRect(r, kDrawFilled); }
    void drawEllipse(const CRect& r, CDrawStyle style = kDrawStroked);
    CCoord getStringWidth(const char* text);
    // The text vertically centred in rect; aligned as asked; opaque fills the rect first.
    void drawString(const char* text, const CRect& rect, bool opaque = false,
                    CHoriTxtAlign align = kCenterText);
    // Height of a line in the current font (ascent + descent).
    CCoord getFontHeight();

private:
    void applyFont();
    void setSource(const CColor& c);

    cairo_surface_t* surface_;
    cairo_t* cr_;
    CColor fillColor_ = kWhiteCColor, frameColor_ = kBlackCColor, fontColor_ = kBlackCColor;
    CCoord lineWidth_ = 1;
    std::string fontFamily_ = "DejaVu Sans";
    CCoord fontSize_ = 12;
    std::int32_t fontStyle_ = 0;
    CRect clip_;
    CPoint pen_;
    float globalAlpha_ = 1.0f;
};

// A picture decoded by cairo. A bitmap whose data could not be loaded still exists:
// it has size 0 and draws nothing.
class CBitmap : public CBaseObject {
public:
    // Where the resource constructor finds a resource's PNG bytes drawn at a scale:
    // false when there is no such resource at that scale. The program installs it once,
    // before it builds bitmaps from resources (UI thread); without one, such bitmaps
    // stay empty.
    using ResourceFinder = bool (*)(int resourceId, double scale, const unsigned char*& png,
                                    std::size_t& size);
    static void setResourceFinder(ResourceFinder finder);

    // The PNG resource with this number drawn at the scale (1, 1.5 or 2); when the
    // finder has none at that scale, the one drawn at 1 (shown enlarged).
    explicit CBitmap(int resourceId, double scale = 1.0);
    // PNG bytes holding `scale` device pixels per logical pixel.
    CBitmap(const unsigned char* png, std::size_t size, double scale = 1.0);
    // Takes its own reference to the surface (its device scale says its scale).
    explicit CBitmap(cairo_surface_t* surface);
    ~CBitmap() override;

    // Size in logical pixels, whatever the scale it was drawn at.
    CCoord getWidth() const { return width_; }
    CCoord getHeight() const { return height_; }
    // Device pixels per logical pixel of the picture.
    double getScale() const { return scale_; }
    bool isLoaded() const { return surface_ != nullptr; }
    // True when the bitmap has an alpha channel: what lies beneath may show through.
    bool hasAlpha() const;
    int getResourceId() const { return resourceId_; }
    cairo_surface_t* getSurface() const { return surface_; }

    // Draws the part of the bitmap that starts at offset, filling dest (clipped to
    // the bitmap), at the given opacity (0..1).
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(),
              float alpha = 1.0f);

private:
    void adopt(cairo_surface_t* surface);
    void loadPng(const unsigned char* png, std::size_t size, double scale);

    cairo_surface_t* surface_ = nullptr;
    CCoord width_ = 0, height_ = 0;
    double scale_ = 1.0;
    int resourceId_ = -1;
};

// The scales the toolkit draws at, in device pixels per logical pixel: 1, 1.5 and 2.
// Geometry stays in logical pixels; only surfaces, bitmaps and windows are scaled.
// nearestScale gives the nearest of the three (1 for a value that is not a number).
double nearestScale(double wanted);
// Device pixels that hold this many logical pixels at the scale (rounded up).
int deviceSize(CCoord logical, double scale);

// Writes a surface as PNG; false on failure.
bool writeSurfacePng(cairo_surface_t* surface, const char* path);
