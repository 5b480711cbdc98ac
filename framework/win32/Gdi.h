// GDI objects owned by the objects that hold them.
#pragma once

#include <windows.h>

#include "framework/Object.h"

class CGdiObject : public CObject {
public:
    CGdiObject() : m_hObject(nullptr) {}
    ~CGdiObject() override { DeleteObject(); }

    void Attach(HGDIOBJ hObject) {
        DeleteObject();
        m_hObject = hObject;
    }
    void DeleteObject() {
        if (m_hObject) ::DeleteObject(m_hObject);
        m_hObject = nullptr;
    }

    HGDIOBJ m_hObject;
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
};

class CPalette : public CGdiObject {
public:
    operator HPALETTE() const { return (HPALETTE)m_hObject; }
};
