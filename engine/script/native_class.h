// Built-in classes whose instances are not plain objects (XML nodes) and
// that scripts may still extend. Their prototype implements InstanceMaker,
// so `new Subclass()` of a script class whose prototype chain reaches it
// makes the right kind of object before the script constructor runs.
#pragma once

namespace script {

class Object;
class Runtime;

class InstanceMaker {
public:
    virtual ~InstanceMaker() = default;
    // A new instance with `proto` as its prototype.
    virtual Object* makeInstance(Runtime& rt, Object* proto) = 0;
};

}  // namespace script
