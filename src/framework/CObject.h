// Root of the framework's classes: only a virtual destructor, so that objects
// can be deleted through a base pointer.
#pragma once

class CObject {
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
