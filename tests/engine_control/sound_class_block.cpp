#include "sound_class_block.h"

#include "abc_writer.h"

namespace controltest {

std::vector<uint8_t> soundClassBlock() {
    using swfwriter::Op;
    swfwriter::AbcWriter abc;
    abc.documentClass(abc.publicName("Snd"), abc.publicName("Sound", "flash.media"),
                      swfwriter::Code().op(Op::ReturnVoid), 2);
    abc.documentClass(abc.publicName("ChildDoc"), abc.publicName("MovieClip", "flash.display"),
                      swfwriter::Code().op(Op::ReturnVoid), 2);
    std::vector<uint8_t> doAbc{0, 0, 0, 0, 'c', 0};  // not lazy, named "c"
    const std::vector<uint8_t> block = abc.bytes();
    doAbc.insert(doAbc.end(), block.begin(), block.end());
    return doAbc;
}

}  // namespace controltest
