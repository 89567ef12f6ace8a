#include "engine/render/LightEntity.h"

#include "engine/draw/DebugDraw.h"

#include <cmath>

namespace engine {

namespace {

constexpr uint32_t LightColor = 0xFF00FFFF;

} // namespace

LightEntity::LightEntity(LightType type)
    : RenderEntity(LightEntityType, type == Ambient || type == Directional), m_lightType(type) {}

LightEntity* LightEntity::copy() const {
    auto* light = new LightEntity(m_lightType);
    light->copyOptionsFrom(*this);
    light->m_lightColor = m_lightColor;
    light->m_lightRange = m_lightRange;
    light->m_spotAngle = m_spotAngle;
    light->m_spotSharpness = m_spotSharpness;
    light->m_castShadow = m_castShadow;
    light->m_maxShadowDistance = m_maxShadowDistance;
    light->m_shadowMapSize = m_shadowMapSize;
    light->m_staticShadowMap = m_staticShadowMap;
    light->m_primaryLight = m_primaryLight;
    return light;
}

BoundingBox LightEntity::getWorldBounds() {
    switch (m_lightType) {
    case Point: {
        Vec3 p = worldTransform().pos;
        Vec3 r{m_lightRange, m_lightRange, m_lightRange};
        return {p - r, p + r};
    }
    case Spot: {
        float c = std::tan(m_spotAngle * 0.5f) * m_lightRange;
        return transform(BoundingBox{{-c, -c, 0}, {c, c, m_lightRange}}, worldTransform());
    }
    case Ambient:
    case Directional:
        break;
    }
    return {{0, 0, 0}, {0, 0, 0}};
}

void LightEntity::debugDraw() {
    Mat4x3 world = worldTransform();
    switch (m_lightType) {
    case Point:
        DebugDraw::drawMarker(world.pos, 1, LightColor);
        DebugDraw::drawSphere(world.pos, m_lightRange, 6, LightColor);
        break;
    case Spot:
        DebugDraw::drawMarker(world.pos, 1, LightColor);
        DebugDraw::drawFrustum(
            Mat4::fromMat4x3(inverse(world)) * Mat4::perspective(m_spotAngle, 1, 0.1f, m_lightRange), LightColor);
        break;
    case Ambient:
    case Directional:
        break;
    }
}

void LightEntity::setLightRange(float range) {
    m_lightRange = range;
    boundsChanged();
}

void LightEntity::setSpotAngle(float angle) {
    m_spotAngle = angle;
    boundsChanged();
}

} // namespace engine
