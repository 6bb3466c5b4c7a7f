// libFuzzer target: XML text through the E4X parser under every setting,
// then printed, copied, searched and normalised, all on a small heap.
#include "avm2/conversions.h"
#include "avm2/e4x.h"
#include "avm2/machine.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // One machine for every input (declaring the core classes is the slow
    // part); each input sets every setting it reads and leaves garbage only.
    static avm2::Machine m(avm2::Limits{.maxHeapBytes = size_t(16) << 20});
    const uint8_t flags = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    (void)m.run([&] {
        const avm2::Value xmlClass = m.findDefinitionByName(u"XML");
        for (const char16_t* setting :
             {u"ignoreComments", u"ignoreProcessingInstructions", u"ignoreWhitespace", u"prettyPrinting"}) {
            m.setMember(xmlClass, setting, avm2::Value::boolean(flags & 1));
        }
        const avm2::Value source = m.string(avm2::utf8ToUtf16(text));
        avm2::Machine::Pin keepSource(m, source);
        const avm2::Value arg[1] = {source};
        const avm2::Value list = m.construct(m.findDefinitionByName(u"XMLList"), arg);
        avm2::Machine::Pin keepList(m, list);
        (void)m.callMember(list, u"toXMLString", {});
        const avm2::Value copy = m.callMember(list, u"copy", {});
        avm2::Machine::Pin keepCopy(m, copy);
        (void)m.callMember(copy, u"normalize", {});
        const avm2::Value all = m.callMember(copy, u"descendants", {});
        avm2::Machine::Pin keepAll(m, all);
        (void)m.callMember(all, u"toString", {});
        const avm2::Value single = m.construct(xmlClass, arg);
        avm2::Machine::Pin keepSingle(m, single);
        (void)m.callMember(single, u"toXMLString", {});
        return avm2::Value();
    });
    m.collect();
    return 0;
}
