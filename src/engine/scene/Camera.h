#pragma once

// A node with a projection. The view-projection, its inverse, the frustum
// planes and the near and far distances are derived on demand and dropped
// whenever the node or an ancestor moves or the projection changes.

#include "engine/scene/Bounds.h"
#include "engine/scene/Node.h"

namespace engine {

class Camera : public Node {
public:
    enum PlaneIndex { Left, Right, Bottom, Top, Near, Far, PlaneCount };

    explicit Camera(const Mat4& projection);
    static Camera* perspective(float fieldOfView, float aspect, float nearZ, float farZ);

    void setProjection(const Mat4& projection);
    const Mat4& projection() const { return m_projection; }
    const Mat4& inverseProjection() const { return m_inverseProjection; }
    const Mat4& viewProjection();
    const Mat4& inverseViewProjection();

    // World space; inside is n·p >= d.
    const Plane* planes();
    const Plane& plane(int index) { return planes()[index]; }
    float nearDistance();
    float farDistance();

    // Through a screen point with (0, 0) top-left and (1, 1) bottom-right.
    Ray viewRay(const Vec2& point) const;
    Ray worldRay(const Vec2& point);
    // Screen x, screen y and depth; depth -1 when the point is not in front.
    Vec3 projectWorldPoint(const Vec3& point);

protected:
    void transformChanged() override;

private:
    void updatePlanes();

    Mat4 m_projection;
    Mat4 m_inverseProjection;
    Mat4 m_viewProjection;
    Mat4 m_inverseViewProjection;
    bool m_viewProjectionStale = true;
    Plane m_planes[PlaneCount];
    float m_near = 0;
    float m_far = 0;
    bool m_planesStale = true;
};

} // namespace engine
