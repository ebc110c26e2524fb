// TQVComponent<Derived, Base, Interfaces...>: completes a component class. It writes the
// interface boilerplate once for the most derived class: QueryInterface (through Derived's
// queryInterfaceChain), AddRef and Release for every interface the class carries, and for data
// exchangers the deleting destructor. Further interfaces that only the concrete class carries can
// be listed after Base.
//
//   class TaperModifier final : public TQVComponent<TaperModifier, BasicVolumeModifier> { ... };
//
// Release destroys the object as a Derived and frees it through the memory service.
#pragma once

#include <type_traits>

#include "frame/basic_data_exchanger.h"
#include "frame/basic_unknown.h"

template <class Derived, class Base, class... Interfaces>
class TQVUnknownImpl : public Base, public Interfaces... {
    static_assert(std::is_base_of<TBasicUnknown, Base>::value, "components are TBasicUnknowns");

public:
    using Base::Base;

    QVResult QV_CALL QueryInterface(const QVGuid& iid, void** out) override {
        if (out == nullptr) return qv::kNoInterface;
        return static_cast<Derived*>(this)->queryInterfaceChain(iid, out);
    }
    int32_t QV_CALL AddRef() override { return this->addReference(); }
    int32_t QV_CALL Release() override { return this->releaseReference(&destroyObject); }

protected:
    ~TQVUnknownImpl() = default;

    static void destroyObject(TBasicUnknown* object) {
        Derived* self = static_cast<Derived*>(object);
        self->~Derived();
        TQVObject::operator delete(self);
    }
};

template <class Derived, class Base, class... Interfaces>
class TQVExchangerImpl : public TQVUnknownImpl<Derived, Base, Interfaces...> {
public:
    using TQVUnknownImpl<Derived, Base, Interfaces...>::TQVUnknownImpl;

    void QV_CALL deleteThis(unsigned flags) override {
        Derived* self = static_cast<Derived*>(this);
        self->~Derived();
        if ((flags & 1u) != 0) TQVObject::operator delete(self);
    }

protected:
    ~TQVExchangerImpl() = default;
};

template <class Derived, class Base, class... Interfaces>
using TQVComponent = std::conditional_t<std::is_base_of<TBasicDataExchanger, Base>::value,
                                        TQVExchangerImpl<Derived, Base, Interfaces...>,
                                        TQVUnknownImpl<Derived, Base, Interfaces...>>;
