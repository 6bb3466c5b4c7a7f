// Variable-bound text fields.
#include "script/text_binding.h"

#include "script/conversions.h"
#include "script/runtime.h"
#include "script/variables.h"

#include "model/display_list.h"
#include "model/edit_text_object.h"

#include <memory>
#include <vector>

namespace script {

void syncBoundText(Runtime& rt) {
    if (rt.disabled)
        return;
    std::vector<std::shared_ptr<model::DisplayObject>> fields;
    std::vector<model::DisplayObject*> walk{&rt.stage.root()};
    while (!walk.empty()) {
        model::DisplayObject* d = walk.back();
        walk.pop_back();
        if (auto* field = d->as<model::EditTextObject>(); field && !field->variableName().empty())
            fields.push_back(d->shared_from_this());
        if (const model::DisplayList* children = d->children()) {
            for (const auto& [depth, child] : *children)
                walk.push_back(child.get());
        }
    }
    for (const auto& object : fields) {
        auto* field = object->as<model::EditTextObject>();
        model::MovieClip* parent = field->parentClip();
        if (!parent)
            continue;
        (void)rt.guarded([&] {
            std::u16string name = utf8ToUtf16(field->variableName());
            Frame f = timelineFrame(rt, rt.objectFor(*parent));
            Value value = getVariable(rt, f, name);
            StageLink* link = rt.linkOf(*field);
            if (value.isUndefined() && !link->textBound) {
                link->textBound = true;
                setVariable(rt, f, name, Value(rt.makeStringUtf8(field->text())));
                return;
            }
            link->textBound = true;
            field->setText(value.isUndefined() ? std::string() : toString(rt, value).utf8());
        });
    }
}

}  // namespace script
