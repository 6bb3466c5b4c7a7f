// The display tree: one node per thing on the stage.
//
// The root movie clip (the root timeline) sits at the top; movie clips and
// buttons hold children in depth order (DisplayList); shapes, morph shapes,
// bitmaps and texts are leaves. Every node knows its parent (nullptr once it
// is taken off the tree) and carries the properties a placement gives it.
//
// Ownership: parents own their children through shared_ptr; others (the
// action queue, the script layer) may keep a node alive after it left the
// tree. Such a node has no parent and isOnStage() is false; only
// ActionScript 3 puts one back (MovieClip::adoptChild). Character data points into the loaded movie, which every node
// keeps alive through the stage's shared context.
//
// Units: matrices and bounds in twips; the script properties (_x, _width ...)
// in pixels, percent and degrees as the player shows them to scripts.
#pragma once

#include "model/placement3d.h"

#include "swf/filter.h"
#include "swf/geometry.h"
#include "swf/timeline.h"
#include "swf/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace swf {
struct Movie;
}

namespace text {
class TextRendererSettings;
}  // namespace text

namespace model {

class DisplayList;
class GeometryCache;
class MovieClip;
struct StageContext;

enum class DisplayKind : uint8_t { Shape, MorphShape, Bitmap, MovieClip, Button, StaticText, EditText, Video };

// Who put an object on its parent. The timeline never moves, replaces or
// removes what a script created.
enum class Origin : uint8_t { Timeline, Script };

// Per-object data the script layer attaches; the object owns and destroys it.
// It must not own the object it is attached to (that would be a cycle).
class ScriptData {
public:
    virtual ~ScriptData() = default;
};

class DisplayObject : public std::enable_shared_from_this<DisplayObject> {
public:
    DisplayObject(const DisplayObject&) = delete;
    DisplayObject& operator=(const DisplayObject&) = delete;
    virtual ~DisplayObject();

    [[nodiscard]] DisplayKind kind() const { return m_kind; }
    // Unique for the life of the stage, never reused; new objects get larger ids.
    [[nodiscard]] uint64_t id() const { return m_id; }
    // The movie whose characters this object shows (a loaded movie's, inside
    // the clip it was loaded into) and the geometry of those characters.
    [[nodiscard]] const std::shared_ptr<const swf::Movie>& library() const;
    [[nodiscard]] GeometryCache& geometry() const;
    // The stage's flash.text.TextRenderer settings, for drawing its text.
    [[nodiscard]] const text::TextRendererSettings& textRenderer() const;
    // Of `other`'s movie or of a movie loaded below it (even off the tree).
    [[nodiscard]] bool sharesMovieOf(const DisplayObject& other) const;
    // 0 for clips that scripts create empty (and for the root).
    [[nodiscard]] uint16_t characterId() const { return m_characterId; }
    [[nodiscard]] Origin origin() const { return m_origin; }

    // Depth in the parent's list, as the file numbers them (timeline depths
    // 1..65535). A script's depth d is stored as d + 16384, so both share one
    // ordering; the script layer converts.
    [[nodiscard]] int32_t depth() const { return m_depth; }
    [[nodiscard]] const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    [[nodiscard]] const swf::Matrix& matrix() const { return m_matrix; }
    // Also forgets the scale and rotation values a script wrote (see below).
    void setMatrix(const swf::Matrix& m);
    [[nodiscard]] const swf::ColorTransform& colorTransform() const { return m_colorTransform; }
    void setColorTransform(const swf::ColorTransform& c) { m_colorTransform = c; }
    // Morph shapes draw at this ratio (0 start .. 65535 end); others just keep it.
    [[nodiscard]] uint16_t ratio() const { return m_ratio; }
    void setRatio(uint16_t ratio) { m_ratio = ratio; }
    // Non-zero: this object is a mask for its siblings at depths
    // (depth, clipDepth]; it is not drawn itself.
    [[nodiscard]] uint16_t clipDepth() const { return m_clipDepth; }
    void setClipDepth(uint16_t d) { m_clipDepth = d; }
    [[nodiscard]] bool isMask() const { return m_clipDepth != 0; }
    [[nodiscard]] bool isVisible() const { return m_visible; }
    void setVisible(bool v) { m_visible = v; }
    [[nodiscard]] swf::BlendMode blendMode() const { return m_blendMode; }
    void setBlendMode(swf::BlendMode b);
    [[nodiscard]] bool cacheAsBitmap() const { return m_cacheAsBitmap; }
    void setCacheAsBitmap(bool c);
    // Filters, nullptr when none: PlaceObject3's live in the movie, a
    // script's (setOwnFilters) in the object.
    [[nodiscard]] const std::vector<swf::Filter>* filters() const { return m_filters; }
    void setFilters(const std::vector<swf::Filter>* f);
    void setOwnFilters(std::vector<swf::Filter> filters);
    // Changes whenever the pixels of a bitmap the filters read (a
    // displacement map) do, so what they drew is redrawn.
    [[nodiscard]] uint64_t filterInputsVersion() const;
    // A script mask (setMask): `mask` limits what of this object shows, and
    // is not drawn itself while it masks. Null removes it. The mask is held
    // weakly: a removed mask stops masking.
    void setScriptMask(const std::shared_ptr<DisplayObject>& mask);
    [[nodiscard]] std::shared_ptr<DisplayObject> scriptMask() const { return m_scriptMask.lock(); }
    // Masks something through setMask (and so is not drawn).
    [[nodiscard]] bool isScriptMask() const { return m_maskedCount > 0; }
    // 9-slice grid in the object's own twips (clips and buttons, from
    // DefineScalingGrid or a script); none when off. Drawing applies it.
    [[nodiscard]] const std::optional<swf::Bounds>& scaleGrid() const { return m_scaleGrid; }
    void setScaleGrid(const std::optional<swf::Bounds>& grid);
    // A colour filling the object's bounds opaquely behind it; none when off.
    [[nodiscard]] const std::optional<swf::Rgba>& opaqueBackground() const { return m_opaqueBackground; }
    void setOpaqueBackground(const std::optional<swf::Rgba>& color);
    // A window on the content, in the object's own twips: only what lies in
    // it shows, moved so that its top left corner is the object's origin.
    // The object's bounds become the window's size.
    [[nodiscard]] const std::optional<swf::Bounds>& scrollRect() const { return m_scrollRect; }
    void setScrollRect(const std::optional<swf::Bounds>& window);
    // Drawn in perspective (placement3d.h); none for a flat object.
    [[nodiscard]] const std::optional<Placement3D>& placement3D() const { return m_placement3D; }
    void setPlacement3D(const std::optional<Placement3D>& placement);
    // Maps the content's coordinates to the object's own: the scroll
    // window's shift, identity without one.
    [[nodiscard]] swf::Matrix contentMatrix() const;
    // Bumped when a property that changes how the object and all below it
    // draw changes (blend mode, filters, caching, masks); change tracking
    // sums it down the tree.
    [[nodiscard]] uint32_t styleVersion() const { return m_styleVersion; }
    // onClipEvent handlers of the placement, empty when none (they live in the movie).
    [[nodiscard]] const std::vector<swf::ClipAction>& clipActions() const;
    void setClipActions(const std::vector<swf::ClipAction>* a) { m_clipActions = a; }

    // Once a script has written the transform (_x, _rotation, _alpha ...),
    // the timeline's Move tags leave matrix and colour transform alone, as
    // the player does.
    [[nodiscard]] bool isScriptTransformed() const { return m_scriptTransformed; }
    void setScriptTransformed(bool s) { m_scriptTransformed = s; }

    // Bumped whenever what the object shows changes without any property
    // above changing (an edit text's content, a video's attached pictures).
    // Change tracking compares it.
    [[nodiscard]] virtual uint32_t contentVersion() const { return m_contentVersion; }

    [[nodiscard]] DisplayObject* parent() const { return m_parent; }
    // The parent if it is a movie clip (a button's state children have none).
    [[nodiscard]] MovieClip* parentClip() const;
    // Levels of containers above this object; the root is 0.
    [[nodiscard]] uint32_t nesting() const { return m_nesting; }
    // On the tree of a live stage: the chain of parents reaches the root.
    [[nodiscard]] bool isOnStage() const;
    // Children in depth order for clips and buttons, nullptr for leaves.
    [[nodiscard]] virtual const DisplayList* children() const { return nullptr; }

    template <typename T>
    [[nodiscard]] T* as() {
        return m_kind == T::kKind ? static_cast<T*>(this) : nullptr;
    }
    template <typename T>
    [[nodiscard]] const T* as() const {
        return m_kind == T::kKind ? static_cast<const T*>(this) : nullptr;
    }

    [[nodiscard]] ScriptData* scriptData() const { return m_scriptData.get(); }
    void setScriptData(std::unique_ptr<ScriptData> data) { m_scriptData = std::move(data); }

    // Bounds, in twips. boundsThrough(m) gives the axis-aligned box of the
    // object's content mapped by m (m maps this object's own coordinates,
    // i.e. it already includes this object's matrix if wanted). A container
    // transforms every leaf with its full matrix, so rotated content is not
    // boxed twice. Every child counts, visible or not, masks included; a
    // child placed in 3D counts with the box of its projected corners.
    [[nodiscard]] swf::Bounds boundsThrough(const swf::Matrix& m) const;
    [[nodiscard]] swf::Bounds localBounds() const { return boundsThrough(swf::Matrix{}); }
    // The content's bounds whatever window shows it (the scroll window's
    // shift not applied).
    [[nodiscard]] swf::Bounds contentBoundsThrough(const swf::Matrix& m) const;
    // These two box 3D-placed objects by their projected corners.
    [[nodiscard]] swf::Bounds boundsInParent() const;
    [[nodiscard]] swf::Bounds stageBounds() const { return boundsInSpace(*this, nullptr); }
    // Own matrix preceded by every ancestor's (and the shift of their
    // scroll windows): local coordinates -> stage twips.
    [[nodiscard]] swf::Matrix concatenatedMatrix() const;
    [[nodiscard]] swf::ColorTransform concatenatedColorTransform() const;

    // The script properties. Getters decompose the matrix: scale is the
    // length of each axis, rotation the angle of the x axis. Setters
    // recompose it, keeping the other values and any skew, remember the
    // values written (so a negative _xscale reads back as written, as in the
    // player) and mark the object script-transformed.
    [[nodiscard]] double x() const { return m_matrix.tx / 20.0; }
    [[nodiscard]] double y() const { return m_matrix.ty / 20.0; }
    [[nodiscard]] double xScale() const;                                                   // percent
    [[nodiscard]] double yScale() const;                                                   // percent
    [[nodiscard]] double rotation() const;                                                 // degrees, -180 < r <= 180
    [[nodiscard]] double alpha() const { return m_colorTransform.aMult * 100.0 / 256.0; }  // percent
    [[nodiscard]] double width() const;  // pixels, of boundsInParent()
    [[nodiscard]] double height() const;
    void setX(double pixels);
    void setY(double pixels);
    void setXScale(double percent);
    void setYScale(double percent);
    void setRotation(double degrees);
    void setAlpha(double percent);  // the alpha multiplier, clamped to its 16-bit range
    // Scales the x (y) axis so that boundsInParent() gets this width (height);
    // nothing happens when the object has no width (height) to scale.
    void setWidth(double pixels);
    void setHeight(double pixels);

protected:
    DisplayObject(DisplayKind kind, std::shared_ptr<StageContext> context, uint16_t characterId);

    // Leaves: bounds of the content in its own coordinates mapped by m.
    [[nodiscard]] virtual swf::Bounds leafBounds(const swf::Matrix& m) const;
    void bumpContent() { ++m_contentVersion; }
    [[nodiscard]] StageContext& context() const { return *m_context; }
    [[nodiscard]] const std::shared_ptr<StageContext>& contextPtr() const { return m_context; }

private:
    friend class ChangeTracker;
    friend class DisplayList;
    friend class MovieClip;
    friend class ObjectFactory;

    struct Decomposed {
        double xScale = 100.0;
        double yScale = 100.0;
        double rotation = 0.0;
    };
    [[nodiscard]] Decomposed decomposed() const;
    void recompose(const Decomposed& d);

    DisplayKind m_kind = DisplayKind::Shape;
    std::shared_ptr<StageContext> m_context;
    uint64_t m_id = 0;
    uint16_t m_characterId = 0;
    Origin m_origin = Origin::Timeline;
    int32_t m_depth = 0;
    std::string m_name;
    swf::Matrix m_matrix;
    swf::ColorTransform m_colorTransform;
    uint16_t m_ratio = 0;
    uint16_t m_clipDepth = 0;
    bool m_visible = true;
    swf::BlendMode m_blendMode = swf::BlendMode::Normal;
    bool m_cacheAsBitmap = false;
    const std::vector<swf::Filter>* m_filters = nullptr;
    std::unique_ptr<const std::vector<swf::Filter>> m_ownFilters;
    std::weak_ptr<DisplayObject> m_scriptMask;
    std::optional<swf::Bounds> m_scaleGrid;
    std::optional<swf::Rgba> m_opaqueBackground;
    std::optional<swf::Bounds> m_scrollRect;
    std::optional<Placement3D> m_placement3D;
    uint32_t m_maskedCount = 0;  // objects this one masks
    uint32_t m_styleVersion = 0;
    const std::vector<swf::ClipAction>* m_clipActions = nullptr;
    bool m_scriptTransformed = false;
    std::optional<Decomposed> m_written;  // values a script wrote, until the matrix changes otherwise
    uint32_t m_contentVersion = 0;
    DisplayObject* m_parent = nullptr;
    uint32_t m_nesting = 0;
    std::unique_ptr<ScriptData> m_scriptData;
    // The index this object had in the previous change snapshot, valid while
    // the serial matches that snapshot's.
    mutable uint64_t m_snapshotSerial = 0;
    mutable uint32_t m_snapshotIndex = 0;
};

}  // namespace model
