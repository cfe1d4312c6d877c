#include "render/matrix.h"

#include <cmath>

namespace quorvane {

Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(const Vec3& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Length(const Vec3& a) {
    return std::sqrt(Dot(a, a));
}
Vec3 Normalize(const Vec3& a) {
    const float length = Length(a);
    return length > 0.0f ? a * (1.0f / length) : a;
}

Matrix4 Identity() {
    return Diagonal(1, 1, 1, 1);
}

Matrix4 Diagonal(float a, float b, float c, float d) {
    Matrix4 r;
    r(0, 0) = a;
    r(1, 1) = b;
    r(2, 2) = c;
    r(3, 3) = d;
    return r;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a(i, k) * b(k, j);
            }
            r(i, j) = sum;
        }
    }
    return r;
}

Matrix4 Transpose(const Matrix4& a) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r(i, j) = a(j, i);
        }
    }
    return r;
}

bool Inverse(const Matrix4& a, Matrix4& out) {
    // Gauss-Jordan with partial pivoting, in double for headroom.
    double w[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            w[i][j] = a(i, j);
            w[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row) {
            if (std::fabs(w[row][col]) > std::fabs(w[pivot][col])) {
                pivot = row;
            }
        }
        if (std::fabs(w[pivot][col]) < 1e-12) {
            return false;
        }
        if (pivot != col) {
            for (int j = 0; j < 8; ++j) {
                std::swap(w[pivot][j], w[col][j]);
            }
        }
        const double scale = 1.0 / w[col][col];
        for (int j = 0; j < 8; ++j) {
            w[col][j] *= scale;
        }
        for (int row = 0; row < 4; ++row) {
            if (row != col && w[row][col] != 0.0) {
                const double f = w[row][col];
                for (int j = 0; j < 8; ++j) {
                    w[row][j] -= f * w[col][j];
                }
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out(i, j) = static_cast<float>(w[i][j + 4]);
        }
    }
    return true;
}

Vec4 Transform(const Vec4& p, const Matrix4& m) {
    return {p.x * m(0, 0) + p.y * m(1, 0) + p.z * m(2, 0) + p.w * m(3, 0),
            p.x * m(0, 1) + p.y * m(1, 1) + p.z * m(2, 1) + p.w * m(3, 1),
            p.x * m(0, 2) + p.y * m(1, 2) + p.z * m(2, 2) + p.w * m(3, 2),
            p.x * m(0, 3) + p.y * m(1, 3) + p.z * m(2, 3) + p.w * m(3, 3)};
}

Matrix4 LookTo(const Vec3& eye, const Vec3& direction, const Vec3& up) {
    const Vec3 d = Normalize(direction);
    const Vec3 r = Normalize(Cross(up, d));
    const Vec3 u = Cross(d, r);
    Matrix4 v;
    v(0, 0) = r.x, v(0, 1) = u.x, v(0, 2) = d.x;
    v(1, 0) = r.y, v(1, 1) = u.y, v(1, 2) = d.y;
    v(2, 0) = r.z, v(2, 1) = u.z, v(2, 2) = d.z;
    v(3, 0) = -Dot(r, eye), v(3, 1) = -Dot(u, eye), v(3, 2) = -Dot(d, eye), v(3, 3) = 1;
    return v;
}

Matrix4 Perspective(float c, float aspect, float nearPlane, float farPlane) {
    Matrix4 p;
    p(0, 0) = c / aspect;
    p(1, 1) = c;
    p(2, 2) = farPlane / (farPlane - nearPlane);
    p(2, 3) = 1;
    p(3, 2) = -nearPlane * farPlane / (farPlane - nearPlane);
    return p;
}

Matrix4 RotationZ(float radians) {
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    Matrix4 r = Identity();
    r(0, 0) = c, r(0, 1) = s;
    r(1, 0) = -s, r(1, 1) = c;
    return r;
}

} // namespace quorvane
