// Display objects for characters, with the limits checked first.
#include "model/object_factory.h"

#include "model/transform.h"

#include <algorithm>

#include "model/bitmap_object.h"
#include "model/button_object.h"
#include "model/edit_text_object.h"
#include "model/morph_object.h"
#include "model/shape_object.h"
#include "model/static_text_object.h"
#include "model/timeline_executor.h"
#include "model/video_object.h"

namespace model {

namespace {
const swf::Timeline EmptyTimeline{};
}

bool ObjectFactory::isDisplayable(StageContext& context, uint16_t characterId) {
    auto kind = context.movie->characters.kindOf(characterId);
    if (!kind) {
        ++context.diagnostics.undefinedCharacters;
        return false;
    }
    if (*kind == swf::CharacterKind::Font) {
        ++context.diagnostics.wrongKindCharacters;
        return false;
    }
    return true;
}

bool ObjectFactory::roomFor(StageContext& context, bool container, uint32_t nesting) {
    if (context.stageRoot().liveObjects >= context.limits.maxDisplayObjects) {
        ++context.diagnostics.objectLimitHits;
        return false;
    }
    if (container && nesting > context.limits.maxNesting) {
        ++context.diagnostics.nestingLimitHits;
        return false;
    }
    return true;
}

std::shared_ptr<DisplayObject> ObjectFactory::create(const std::shared_ptr<StageContext>& context, uint16_t characterId,
                                                     Origin origin, uint32_t nesting, ActionBatch& batch) {
    if (!isDisplayable(*context, characterId))
        return nullptr;
    const swf::CharacterData& data = *context->movie->characters.findAny(characterId);
    bool container = std::holds_alternative<swf::Sprite>(data) || std::holds_alternative<swf::Button>(data);
    if (!roomFor(*context, container, nesting))
        return nullptr;

    std::shared_ptr<DisplayObject> object;
    if (const auto* sprite = std::get_if<swf::Sprite>(&data)) {
        // The first frame is part of creating a clip: refuse the clip rather
        // than show it without it.
        if (!context->charge(context->scanCost(sprite->timeline, 0, 0)))
            return nullptr;
        auto clip = std::make_shared<MovieClip>(context, characterId, sprite->timeline);
        clip->m_origin = origin;
        clip->m_nesting = nesting;
        if (sprite->scalingGrid)
            clip->setScaleGrid(toBounds(*sprite->scalingGrid));
        TimelineExecutor::enterFirstFrame(*clip, batch);
        object = std::move(clip);
    } else if (const auto* button = std::get_if<swf::Button>(&data)) {
        auto b = std::make_shared<ButtonObject>(context, characterId, *button);
        b->m_origin = origin;
        b->m_nesting = nesting;
        if (button->scalingGrid)
            b->setScaleGrid(toBounds(*button->scalingGrid));
        b->build(ButtonState::Up, batch);
        object = std::move(b);
    } else if (const auto* shape = std::get_if<swf::Shape>(&data)) {
        object = std::make_shared<ShapeObject>(context, characterId, *shape);
    } else if (const auto* morph = std::get_if<swf::MorphShape>(&data)) {
        object = std::make_shared<MorphObject>(context, characterId, *morph);
    } else if (const auto* bitmap = std::get_if<swf::Bitmap>(&data)) {
        object = std::make_shared<BitmapObject>(context, characterId, *bitmap);
    } else if (const auto* text = std::get_if<swf::Text>(&data)) {
        object = std::make_shared<StaticTextObject>(context, characterId, *text);
    } else if (const auto* field = std::get_if<swf::EditText>(&data)) {
        object = std::make_shared<EditTextObject>(context, characterId, *field);
    } else if (const auto* video = std::get_if<swf::VideoStream>(&data)) {
        object = std::make_shared<VideoObject>(context, characterId, *video);
    }
    if (object) {
        object->m_origin = origin;
        object->m_nesting = nesting;
        if (auto* edit = object->as<EditTextObject>())
            edit->enableImageClips();
    }
    return object;
}

std::shared_ptr<MovieClip> ObjectFactory::createEmptyClip(const std::shared_ptr<StageContext>& context,
                                                          uint32_t nesting) {
    if (!roomFor(*context, true, nesting))
        return nullptr;
    auto clip = std::make_shared<MovieClip>(context, 0, EmptyTimeline);
    clip->m_origin = Origin::Script;
    clip->m_nesting = nesting;
    clip->m_bornTick = context->currentTick();
    return clip;
}

std::shared_ptr<DisplayObject> ObjectFactory::createTextField(const std::shared_ptr<StageContext>& context,
                                                              uint32_t nesting, int32_t width, int32_t height) {
    if (!roomFor(*context, false, nesting))
        return nullptr;
    auto field = std::make_shared<swf::EditText>();
    field->bounds = {0, std::max(width, 0), 0, std::max(height, 0)};
    field->fontHeight = 240;
    field->textColor = swf::Rgba{0, 0, 0, 255};
    field->hasLayout = true;
    field->readOnly = true;
    auto object = std::make_shared<EditTextObject>(context, std::move(field));
    object->m_origin = Origin::Script;
    object->m_nesting = nesting;
    object->enableImageClips();
    return object;
}

std::shared_ptr<DisplayObject> ObjectFactory::createVideo(const std::shared_ptr<StageContext>& context,
                                                          uint32_t nesting, uint16_t width, uint16_t height) {
    if (!roomFor(*context, false, nesting))
        return nullptr;
    auto stream = std::make_shared<swf::VideoStream>();
    stream->width = width;
    stream->height = height;
    auto object = std::make_shared<VideoObject>(context, std::move(stream));
    object->m_origin = Origin::Script;
    object->m_nesting = nesting;
    return object;
}

std::shared_ptr<MovieClip> ObjectFactory::createRoot(const std::shared_ptr<StageContext>& context, ActionBatch& batch) {
    auto root = std::make_shared<MovieClip>(context, 0, context->movie->root);
    root->m_isRoot = true;
    // The root's first frame is never refused: it is what loading shows.
    TimelineExecutor::enterFirstFrame(*root, batch);
    return root;
}

}  // namespace model
