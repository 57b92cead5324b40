// Driving automation objects by member name: create from a ProgID, call methods, read
// and write properties, move bytes into and out of variants. Never shows or raises an
// error: a failed operation yields the empty value of its kind and leaves a status in
// LastAutomationStatus(). The binding and argument rules live in automation.cpp, once;
// the platform's objects are behind runtime/automation_platform.h.
//
// Texts cross into the object as UTF-16 converted from GBK (code page 936), and come
// back converted to GBK, whatever the system's ANSI code page is.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <variant>

#include "runtime/datetime.h"
#include "runtime/text.h"
#include "runtime/variant.h"

namespace clocktool {

class AutomationObject;

// Holds at most one counted reference to an automation object; empty when new.
// ObjectClear releases it; a handle that goes out of scope releases it too.
class ComObject {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;             // references move only through ObjectCopy
    ComObject& operator=(const ComObject&) = delete;
    ComObject(ComObject&& other) noexcept;
    ComObject& operator=(ComObject&& other) noexcept;
    ~ComObject();

    bool empty() const { return object_ == nullptr; }
    AutomationObject* get() const { return object_; }
    void reset(AutomationObject* object);   // takes over one reference; releases the old one

private:
    AutomationObject* object_ = nullptr;
};

// One argument of a member call: omitted, a value, or a reference to a caller's variable.
class AutomationArg {
public:
    struct Omitted {};
    using Value = std::variant<Omitted, Text, std::int32_t, std::int64_t, std::int16_t, std::uint8_t, bool,
                               float, double, DateTime, Variant, ByteString,
                               Text*, std::int32_t*, std::int16_t*, bool*, double*, Variant*>;

    AutomationArg() = default;                       // omitted
    AutomationArg(Omitted) {}
    AutomationArg(const Text& v) : value_(v) {}
    AutomationArg(const char* v) : value_(Text(v)) {}
    AutomationArg(std::int32_t v) : value_(v) {}
    AutomationArg(std::int64_t v) : value_(v) {}
    AutomationArg(std::int16_t v) : value_(v) {}
    AutomationArg(std::uint8_t v) : value_(v) {}
    AutomationArg(bool v) : value_(v) {}
    AutomationArg(float v) : value_(v) {}
    AutomationArg(double v) : value_(v) {}
    AutomationArg(DateTime v) : value_(v) {}
    AutomationArg(const Variant& v) : value_(v) {}
    AutomationArg(const ByteString& v) : value_(v) {}
    // By reference: the bridge reads through it, and writes an output parameter back.
    static AutomationArg Ref(Text& v) { return AutomationArg(Value(&v)); }
    static AutomationArg Ref(std::int32_t& v) { return AutomationArg(Value(&v)); }
    static AutomationArg Ref(std::int16_t& v) { return AutomationArg(Value(&v)); }
    static AutomationArg Ref(bool& v) { return AutomationArg(Value(&v)); }
    static AutomationArg Ref(double& v) { return AutomationArg(Value(&v)); }
    static AutomationArg Ref(Variant& v) { return AutomationArg(Value(&v)); }

    const Value& value() const { return value_; }
    bool omitted() const { return std::holds_alternative<Omitted>(value_); }

private:
    explicit AutomationArg(Value v) : value_(std::move(v)) {}
    Value value_;
};

using AutomationArgs = std::initializer_list<AutomationArg>;

// A ProgID, or a CLSID written in braces. On failure the handle keeps what it held.
bool ObjectCreate(ComObject& object, const Text& progIdOrClsid);
void ObjectCallMethod(ComObject& object, const Text& name, AutomationArgs args = {});
Variant ObjectReadProperty(ComObject& object, const Text& name, AutomationArgs args = {});
Text ObjectReadTextProperty(ComObject& object, const Text& name, AutomationArgs args = {});
double ObjectReadNumberProperty(ComObject& object, const Text& name, AutomationArgs args = {});
// The index arguments first, the new value last.
bool ObjectWriteProperty(ComObject& object, const Text& name, AutomationArgs indexesThenValue);
// The target takes one more reference to the source's object (none for an empty source).
// A target that still holds an object releases it first.
void ObjectCopy(ComObject& target, const ComObject& source);
void ObjectClear(ComObject& object);

// Makes the variant a one-dimensional VT_ARRAY | VT_UI1 array with lower bound 1.
bool VariantAssignBytes(Variant& variant, const ByteString& bytes);
// The bytes of an array of VT_UI1 or VT_I1 (any bounds, by reference too), or of what
// the value converts to as such an array; empty otherwise. The variant is not changed.
ByteString VariantGetBytes(const Variant& variant);
// Leaves VT_EMPTY.
void VariantClear(Variant& variant);

// The status of this thread's last member call: 0, or -1 ... -18 (runtime/automation_platform.h
// names them).
std::int32_t LastAutomationStatus();

}  // namespace clocktool
