// CObject and the least run-time class information: a class name and its base.
#pragma once

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class CObject {
public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() {}
    virtual void Serialize() {}

    bool IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() {}

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)                  \
public:                                        \
    static const CRuntimeClass class##name;    \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(name, base)                                          \
    const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base)};      \
    const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }
