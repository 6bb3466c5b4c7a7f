// Weak references the collector honours: a Dictionary's weak keys and
// listeners added with useWeakReference.
#include "as3/event_dispatch.h"
#include "avm2/class_object.h"
#include "avm2/dictionary.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

using namespace avm2;

namespace {

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }

TEST(WeakReferences, DictionaryWeakKeysDieWithTheirLastReference) {
    for (const bool weak : {true, false}) {
        Machine m;
        auto* d = m.heap().make<DictionaryObject>(nullptr, weak);
        m.global()->setOwn(u"d", Value::object(d));
        Object* kept = m.newObject();
        m.global()->setOwn(u"kept", Value::object(kept));
        Object* keptValue = m.newObject();
        d->set(kept, Value::object(keptValue));
        Object* lost = m.newObject();
        Object* lostValue = m.newObject();
        // The value refers back to its key: only a strong key keeps the pair.
        lostValue->setOwn(u"key", Value::object(lost));
        d->set(lost, Value::object(lostValue));
        const size_t before = m.heap().cellCount();
        m.collect();
        ASSERT_NE(d->find(kept), nullptr) << weak;
        EXPECT_EQ(d->find(kept)->asObject(), keptValue);  // still valid: the value was traced
        if (weak) {
            EXPECT_EQ(m.heap().cellCount(), before - 2);
            // The dead key's entry is gone, so nothing dangles.
            size_t live = 0;
            for (size_t i = 0; i < d->slotCount(); ++i)
                live += d->liveAt(i) ? 1 : 0;
            EXPECT_EQ(live, 1u);
        } else {
            EXPECT_EQ(m.heap().cellCount(), before);
            EXPECT_NE(d->find(lost), nullptr);
        }
    }
}

TEST(WeakReferences, WeakListenersLiveAsLongAsWhatTheyCallInto) {
    Machine m;
    Object* dispatcher = m.newObject();
    m.global()->setOwn(u"dispatcher", Value::object(dispatcher));
    auto state = std::make_unique<as3::DispatcherState>();
    Object* owner = m.newObject();
    m.global()->setOwn(u"owner", Value::object(owner));
    MethodRef method;
    method.native = nothing;
    // A method of a live object (made fresh, as reading o.m makes one), a
    // method of an object nothing else holds, a lone function held weakly
    // and one held strongly.
    auto closure = [&](Object* receiver) {
        return Value::object(m.heap().make<MethodClosure>(nullptr, Value::object(receiver), method, nullptr));
    };
    std::vector<as3::Listener> list = {
        {.function = closure(owner), .weak = true},
        {.function = closure(m.newObject()), .weak = true},
        {.function = Value::object(m.newNative(nothing)), .weak = true},
        {.function = Value::object(m.newNative(nothing)), .weak = false},
    };
    const Value strong = list[3].function;
    const Value ownersMethod = list[0].function;
    state->listeners.emplace_back(u"x", list);
    auto* kept = state.get();
    dispatcher->setNativeState(std::move(state));
    m.collect();
    ASSERT_EQ(kept->listeners[0].second.size(), 2u);
    EXPECT_EQ(kept->listeners[0].second[0].function.asObject(), ownersMethod.asObject());
    EXPECT_EQ(kept->listeners[0].second[1].function.asObject(), strong.asObject());
    // Once the owner goes, so does its method.
    m.global()->deleteOwn(u"owner");
    m.collect();
    ASSERT_EQ(kept->listeners[0].second.size(), 1u);
    EXPECT_EQ(kept->listeners[0].second[0].function.asObject(), strong.asObject());
}

}  // namespace
