// The built-in schema: the classes the program reads, with their
// properties' CIM types, and each class's index from property name to slot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tq::wmi {

// CIM property types, as the service documents them for its classes.
enum class CimType : std::uint8_t {
    Unknown,
    Boolean,
    SInt8,
    UInt8,
    SInt16,
    UInt16,
    SInt32,
    UInt32,
    SInt64,
    UInt64,
    Real32,
    Real64,
    String,
    DateTime,
    Char16,
    Reference,
    Object,
};

struct PropertyDef {
    std::string name;
    CimType type = CimType::Unknown;
    bool array = false;
};

struct ClassDef {
    std::string name;
    std::string superclass;  // empty for a root class
    std::vector<PropertyDef> properties;

    const PropertyDef* property(std::string_view name) const;  // case-insensitive
};

// The built-in schema: the classes the program reads (and their
// superclasses), with their properties' CIM types. nullptr for other classes.
const ClassDef* knownClass(std::string_view name);

// The classes the program reads, in the order a snapshot dump lists them.
const std::vector<std::string>& programClasses();

// The known classes that derive from a class, directly or further down, in
// schema order (the class itself not included).
std::vector<std::string> subclassesOf(std::string_view className);

// True for the CIM types that hold numbers (integers, reals, Char16).
bool isNumericType(CimType type) noexcept;

namespace detail {
class SlotIndex;  // a class's case-insensitive index from property name to slot
// The index of a built-in class (nullptr for other definitions), and the
// slot of a property in it (-1 when the class has none of that name).
const SlotIndex* indexFor(const ClassDef* def) noexcept;
int slotIn(const SlotIndex* index, std::string_view name) noexcept;
}  // namespace detail

}  // namespace tq::wmi
