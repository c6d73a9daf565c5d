#pragma once

// The value serializers: "v2", "v3", "v4", "i2", "m33", "m44", "rectangle2d" and
// "texturerectangle2d", so that scene files can give such values as child elements.

#include <cstdint>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZMatrix.h"
#include "engine/core/ZSerializer.h"
#include "engine/core/ZVector.h"

// Set one component from an attribute; true when the attribute names one. Vectors go by the first
// character of the name ('x', 'y', 'z', 'w'), matrices by 'm', row digit, column digit,
// rectangles by the whole name's id ("left", "top", "right", "bottom"). Floats are read with
// ParseFloatWithPi, integers with ParseInt.
bool SetValueAttribute(V2& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(V3& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(V4& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(I2& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(M33& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(_M44& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(Rectangle2D& value, uint32_t id, const char* name, const char* text);
bool SetValueAttribute(TextureRectangle2D& value, uint32_t id, const char* name, const char* text);

// Write every component as an attribute: floats with six decimals ("%f"), integers in decimal.
// Rectangles are written left, top, bottom, right.
void WriteValueAttributes(const V2& value, ISaveVisitor& visitor);
void WriteValueAttributes(const V3& value, ISaveVisitor& visitor);
void WriteValueAttributes(const V4& value, ISaveVisitor& visitor);
void WriteValueAttributes(const I2& value, ISaveVisitor& visitor);
void WriteValueAttributes(const M33& value, ISaveVisitor& visitor);
void WriteValueAttributes(const _M44& value, ISaveVisitor& visitor);
void WriteValueAttributes(const Rectangle2D& value, ISaveVisitor& visitor);
void WriteValueAttributes(const TextureRectangle2D& value, ISaveVisitor& visitor);

// Makes the value serializers once, which links them into the serializer chain. The registry
// calls it before its first sweep.
void LinkValueSerializers();
