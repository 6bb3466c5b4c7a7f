// ContextMenu and ContextMenuItem: plain objects a movie builds for its
// right-click menu. A right press calls the menu's onSelect (see
// input_dispatcher.h); no menu is ever shown, so no item is ever chosen. Their
// built-in items start as Stage.showMenu says.
#include "script/builtins.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <array>

namespace script {

namespace {

constexpr std::array<std::u16string_view, 8> BuiltInItems{u"forward_back", u"loop",   u"play", u"print",
                                                          u"quality",      u"rewind", u"save", u"zoom"};

Object* builtInItems(Runtime& rt, bool shown) {
    Object* items = rt.newObject();
    for (std::u16string_view name : BuiltInItems)
        setProperty(rt, items, name, Value::fromBool(shown));
    return items;
}

// new ContextMenu(onSelect)
Value initialiseMenu(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* menu = self.asObject();
    if (!menu)
        return Value();
    // With Stage.showMenu false the player's own items are gone from every menu.
    setProperty(rt, menu, u"builtInItems", Value(builtInItems(rt, rt.showMenu)));
    setProperty(rt, menu, u"customItems", Value(rt.newArray()));
    if (!args.empty() && args[0].asObject() && args[0].asObject()->isCallable())
        setProperty(rt, menu, u"onSelect", args[0]);
    return Value();
}

Value hideBuiltInItems(Runtime& rt, const Value& self, std::span<const Value>) {
    if (Object* items = getMember(rt, self, u"builtInItems").asObject()) {
        for (std::u16string_view name : BuiltInItems)
            setProperty(rt, items, name, Value::fromBool(false));
    }
    return Value();
}

// A copy of the menu with copies of its items.
Value copyMenu(Runtime& rt, const Value& self, std::span<const Value>) {
    const Value ctor = getProperty(rt, rt.global, u"ContextMenu");
    const Value onSelect = getMember(rt, self, u"onSelect");
    Value copy = construct(rt, ctor, std::span<const Value>(&onSelect, 1));
    Object* out = copy.asObject();
    if (!out)
        return Value();
    Object* items = getMember(rt, copy, u"builtInItems").asObject();
    const Value source = getMember(rt, self, u"builtInItems");
    for (std::u16string_view name : BuiltInItems) {
        if (items)
            setProperty(rt, items, name, getMember(rt, source, name));
    }
    auto* custom = dynamic_cast<ArrayObject*>(getMember(rt, self, u"customItems").asObject());
    auto* copied = dynamic_cast<ArrayObject*>(getMember(rt, copy, u"customItems").asObject());
    if (custom && copied) {
        for (const Value& item : custom->elements())
            copied->push(callMethod(rt, item, u"copy", {}), rt.limits.maxArrayLength);
    }
    return copy;
}

// new ContextMenuItem(caption, onSelect, separatorBefore, enabled, visible)
Value initialiseItem(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* item = self.asObject();
    if (!item)
        return Value();
    setProperty(rt, item, u"caption", Value(toString(rt, arg(args, 0))));
    setProperty(rt, item, u"onSelect", arg(args, 1));
    setProperty(rt, item, u"separatorBefore", Value::fromBool(args.size() > 2 && toBoolean(rt, args[2])));
    setProperty(rt, item, u"enabled", Value::fromBool(args.size() <= 3 || toBoolean(rt, args[3])));
    setProperty(rt, item, u"visible", Value::fromBool(args.size() <= 4 || toBoolean(rt, args[4])));
    return Value();
}

Value copyItem(Runtime& rt, const Value& self, std::span<const Value>) {
    const std::array<Value, 5> args{getMember(rt, self, u"caption"), getMember(rt, self, u"onSelect"),
                                    getMember(rt, self, u"separatorBefore"), getMember(rt, self, u"enabled"),
                                    getMember(rt, self, u"visible")};
    return construct(rt, getProperty(rt, rt.global, u"ContextMenuItem"), args);
}

void defineClass(Runtime& rt, std::u16string_view name, NativeFn init, std::u16string_view method, NativeFn fn,
                 Object** prototypeOut = nullptr) {
    Object* prototype = rt.newObject();
    rt.defineMethod(prototype, method, fn);
    NativeFunction* constructor = rt.newNative(init);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, name, Value(constructor));
    if (prototypeOut)
        *prototypeOut = prototype;
}

}  // namespace

void installContextMenu(Runtime& rt) {
    Object* menu = nullptr;
    defineClass(rt, u"ContextMenu", initialiseMenu, u"copy", copyMenu, &menu);
    rt.defineMethod(menu, u"hideBuiltInItems", hideBuiltInItems);
    defineClass(rt, u"ContextMenuItem", initialiseItem, u"copy", copyItem);
}

}  // namespace script
