// Driving automation objects by member name: create from a ProgID, call methods, read
// and write properties, move bytes into and out of variants. Never shows or raises an
// error: a failed operation yields the empty value of its kind and leaves a status in
// LastAutomationStatus(). The binding and argument rules live in automation.cpp, once;
// the platform's objects are behind runtime/automation_platform.h.
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

private:
    explicit AutomationArg(Value v) : value_(std::move(v)) {}
    Value value_;
};

using AutomationArgs = std::initializer_list<AutomationArg>;

bool ObjectCreate(ComObject& object, const Text& progIdOrClsid);
void ObjectCallMethod(ComObject& object, const Text& name, AutomationArgs args = {});
Variant ObjectReadProperty(ComObject& object, const Text& name, AutomationArgs args = {});
Text ObjectReadTextProperty(ComObject& object, const Text& name, AutomationArgs args = {});
double ObjectReadNumberProperty(ComObject& object, const Text& name, AutomationArgs args = {});
// The index arguments first, the new value last.
bool ObjectWriteProperty(ComObject& object, const Text& name, AutomationArgs indexesThenValue);
void ObjectCopy(ComObject& target, const ComObject& source);   // target must be empty
void ObjectClear(ComObject& object);

bool VariantAssignBytes(Variant& variant, const ByteString& bytes);
ByteString VariantGetBytes(const Variant& variant);
void VariantClear(Variant& variant);

// The status of this thread's last member call: 0, or -1 ... -18.
std::int32_t LastAutomationStatus();

}  // namespace clocktool
