#include "engine/scene/Camera.h"

namespace engine {

namespace {

Vec4 column(const Mat4& m, int j) {
    return {m.m[0][j], m.m[1][j], m.m[2][j], m.m[3][j]};
}

Vec4 operator+(const Vec4& a, const Vec4& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}

Vec4 operator-(const Vec4& a, const Vec4& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}

float length3(const Vec4& v) {
    return length(Vec3{v.x, v.y, v.z});
}

// Normalized by the length of the normal; ax + by + cz + w >= 0 becomes n·p >= d.
Plane toPlane(const Vec4& v) {
    float l = length3(v);
    return {{v.x / l, v.y / l, v.z / l}, -v.w / l};
}

} // namespace

Camera::Camera(const Mat4& projection) {
    setProjection(projection);
}

Camera* Camera::perspective(float fieldOfView, float aspect, float nearZ, float farZ) {
    return new Camera(Mat4::perspective(fieldOfView, aspect, nearZ, farZ));
}

void Camera::setProjection(const Mat4& projection) {
    m_projection = projection;
    m_inverseProjection = inverse(projection);
    m_viewProjectionStale = true;
    m_planesStale = true;
}

void Camera::transformChanged() {
    m_viewProjectionStale = true;
    m_planesStale = true;
}

const Mat4& Camera::viewProjection() {
    if (m_viewProjectionStale) {
        m_viewProjection = Mat4::fromMat4x3(worldInverse()) * m_projection;
        m_inverseViewProjection = inverse(m_viewProjection);
        m_viewProjectionStale = false;
    }
    return m_viewProjection;
}

const Mat4& Camera::inverseViewProjection() {
    viewProjection();
    return m_inverseViewProjection;
}

void Camera::updatePlanes() {
    if (!m_planesStale)
        return;
    const Mat4& vp = viewProjection();
    Vec4 c0 = column(vp, 0), c1 = column(vp, 1), c2 = column(vp, 2), c3 = column(vp, 3);
    m_planes[Left] = toPlane(c3 + c0);
    m_planes[Right] = toPlane(c3 - c0);
    m_planes[Bottom] = toPlane(c3 + c1);
    m_planes[Top] = toPlane(c3 - c1);
    m_planes[Near] = toPlane(c2);
    m_planes[Far] = toPlane(c3 - c2);

    Vec4 q2 = column(m_projection, 2), q3 = column(m_projection, 3);
    m_near = -q2.w / length3(q2);
    Vec4 farRow = q3 - q2;
    m_far = farRow.w / length3(farRow);
    m_planesStale = false;
}

const Plane* Camera::planes() {
    updatePlanes();
    return m_planes;
}

float Camera::nearDistance() {
    updatePlanes();
    return m_near;
}

float Camera::farDistance() {
    updatePlanes();
    return m_far;
}

Ray Camera::viewRay(const Vec2& point) const {
    Vec4 h = Vec4{2 * point.x - 1, 1 - 2 * point.y, 0, 1} * m_inverseProjection;
    Vec3 p{h.x / h.w, h.y / h.w, h.z / h.w};
    return {{}, normalize(p)};
}

Ray Camera::worldRay(const Vec2& point) {
    Ray ray = viewRay(point);
    const Mat4x3& world = worldTransform();
    return {world.pos, ray.dir * world.rot};
}

Vec3 Camera::projectWorldPoint(const Vec3& point) {
    Vec4 h = Vec4{point.x, point.y, point.z, 1} * viewProjection();
    if (h.w > 0.000001f)
        return {h.x / h.w * 0.5f + 0.5f, 0.5f - h.y / h.w * 0.5f, h.z / h.w};
    return {0, 0, -1};
}

} // namespace engine
