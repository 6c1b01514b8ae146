#pragma once
// The 2 x 2 kit of the exact numerics: a state of the power stage (the
// inductor's current and a voltage), a row-major matrix, and the products
// the period maps and the exact intervals are made of, in the extended
// precision those rely on. Each product keeps its written operand order, so
// that every layer using the kit gets the same roundings.

#include "common/ExtendedReal.h"

namespace stepdown {

struct Vector2 {
    ExtendedReal i = 0;  // iL, A
    ExtendedReal v = 0;  // a voltage (the capacitor's, or the output's), V
};

// Row-major.
struct Matrix2 {
    ExtendedReal m11 = 0, m12 = 0, m21 = 0, m22 = 0;
};

inline constexpr Matrix2 kIdentity2{1, 0, 0, 1};

inline Vector2 operator*(const Matrix2& m, Vector2 x) {
    return {m.m11 * x.i + m.m12 * x.v, m.m21 * x.i + m.m22 * x.v};
}
inline Matrix2 operator*(const Matrix2& a, const Matrix2& b) {
    return {a.m11 * b.m11 + a.m12 * b.m21, a.m11 * b.m12 + a.m12 * b.m22,
            a.m21 * b.m11 + a.m22 * b.m21, a.m21 * b.m12 + a.m22 * b.m22};
}
inline Matrix2 operator+(const Matrix2& a, const Matrix2& b) {
    return {a.m11 + b.m11, a.m12 + b.m12, a.m21 + b.m21, a.m22 + b.m22};
}
inline Vector2 operator+(Vector2 x, Vector2 y) { return {x.i + y.i, x.v + y.v}; }
inline Vector2 Scaled(Vector2 x, ExtendedReal k) { return {x.i * k, x.v * k}; }
// A row taken as a linear functional of the state.
inline ExtendedReal Dot(Vector2 row, Vector2 x) { return row.i * x.i + row.v * x.v; }
inline Vector2 FirstRow(const Matrix2& m) { return {m.m11, m.m12}; }
inline Vector2 SecondRow(const Matrix2& m) { return {m.m21, m.m22}; }

}  // namespace stepdown
