#include "model/placement3d.h"

#include <cmath>
#include <numbers>

namespace model {

Matrix3D multiply3D(const Matrix3D& a, const Matrix3D& b) {
    Matrix3D r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = sum;
        }
    }
    return r;
}

std::optional<Matrix3D> rotation3D(double degrees, double ax, double ay, double az) {
    const double length = std::sqrt(ax * ax + ay * ay + az * az);
    if (!(length > 0) || !std::isfinite(length) || !std::isfinite(degrees))
        return std::nullopt;
    const double x = ax / length, y = ay / length, z = az / length;
    const double angle = degrees * std::numbers::pi / 180, c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    // Columns of the rotation: x toward y for a positive angle about z.
    return Matrix3D{t * x * x + c,
                    t * x * y + s * z,
                    t * x * z - s * y,
                    0,  //
                    t * x * y - s * z,
                    t * y * y + c,
                    t * y * z + s * x,
                    0,  //
                    t * x * z + s * y,
                    t * y * z - s * x,
                    t * z * z + c,
                    0,  //
                    0,
                    0,
                    0,
                    1};
}

Matrix3D compose3D(double x, double y, double z, double scaleX, double scaleY, double scaleZ, double rotationX,
                   double rotationY, double rotationZ) {
    Matrix3D m = identity3D();
    m[0] = scaleX;
    m[5] = scaleY;
    m[10] = scaleZ;
    const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double angles[3] = {rotationX, rotationY, rotationZ};
    for (int i = 0; i < 3; ++i) {
        if (angles[i] == 0)
            continue;
        if (const auto r = rotation3D(angles[i], axes[i][0], axes[i][1], axes[i][2]))
            m = multiply3D(*r, m);
    }
    m[12] += x;
    m[13] += y;
    m[14] += z;
    return m;
}

namespace {

// The 3x3 minor without row `skipRow` and column `skipColumn`.
double minor(const Matrix3D& m, int skipRow, int skipColumn) {
    double v[9];
    int n = 0;
    for (int c = 0; c < 4; ++c) {
        if (c == skipColumn)
            continue;
        for (int r = 0; r < 4; ++r) {
            if (r != skipRow)
                v[n++] = m[c * 4 + r];
        }
    }
    return v[0] * (v[4] * v[8] - v[7] * v[5]) - v[3] * (v[1] * v[8] - v[7] * v[2]) + v[6] * (v[1] * v[5] - v[4] * v[2]);
}

}  // namespace

double determinant3D(const Matrix3D& m) {
    double d = 0;
    for (int c = 0; c < 4; ++c)
        d += ((c & 1) ? -1 : 1) * m[c * 4] * minor(m, 0, c);
    return d;
}

std::optional<Matrix3D> invert3D(const Matrix3D& m) {
    const double d = determinant3D(m);
    if (!(std::abs(d) > 1e-300) || !std::isfinite(d))
        return std::nullopt;
    Matrix3D r{};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row)
            r[c * 4 + row] = (((row + c) & 1) ? -1 : 1) * minor(m, c, row) / d;
    }
    return r;
}

}  // namespace model
