// ZevObject: the heap base class of every object the library hands to a host.
//
// It has no data. Objects of derived classes are allocated and freed by the class-level
// operator new and delete, which live in kelocli.dll, so memory is always taken from and returned
// to the same heap whatever module writes the new-expression. operator new never throws: it
// answers null when memory runs out, and a new-expression then yields null without constructing.
#ifndef KELOCLI_ZEVOBJECT_H
#define KELOCLI_ZEVOBJECT_H

#include <cstddef>

#include "kelocli_export.h"

class KELOCLI_API ZevObject {
  public:
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* memory) noexcept;

    // Makes the next `count` allocations fail (answer null), so that a host can exercise its
    // out-of-memory paths. 0 turns the injection off. Process-wide, for the calling thread's use.
    static void FailNextAllocations(int count) noexcept;

  protected:
    ZevObject() = default;
    ~ZevObject() = default;
};

static_assert(sizeof(ZevObject) == 1, "ZevObject carries no data");

#endif
