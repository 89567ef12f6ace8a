#pragma once

// A render entity that lights the scene. Ambient and directional lights reach
// everything and are unbounded; point and spot lights are bounded by their range.

#include "core/RefRegistry.h"
#include "engine/render/RenderEntity.h"
#include "engine/render/RenderableTexture.h"

namespace engine {

class LightEntity final : public RenderEntity {
public:
    enum LightType { Ambient = 0, Directional = 1, Point = 2, Spot = 3 };

    explicit LightEntity(LightType type);

    // A new light with the same settings and render options, on no node.
    LightEntity* copy() const;

    // Point: the cube of the range around the world position. Spot: the box
    // of its cone (along local +Z) through the node's world transform.
    BoundingBox getWorldBounds() override;
    // A marker and the lit volume, for point and spot lights.
    void debugDraw() override;

    LightType lightType() const { return m_lightType; }

    const Vec3& lightColor() const { return m_lightColor; }
    void setLightColor(const Vec3& color) { m_lightColor = color; }
    // Radius of a point light, length of a spot light.
    float lightRange() const { return m_lightRange; }
    void setLightRange(float range);
    // The full cone angle, in radians.
    float spotAngle() const { return m_spotAngle; }
    void setSpotAngle(float angle);
    float spotSharpness() const { return m_spotSharpness; }
    void setSpotSharpness(float sharpness) { m_spotSharpness = sharpness; }

    bool castShadow() const { return m_castShadow; }
    void setCastShadow(bool cast) { m_castShadow = cast; }
    float maxShadowDistance() const { return m_maxShadowDistance; }
    void setMaxShadowDistance(float distance) { m_maxShadowDistance = distance; }
    int shadowMapSize() const { return m_shadowMapSize; }
    void setShadowMapSize(int size) { m_shadowMapSize = size; }
    // A prerendered shadow cube used instead of a per-frame shadow map.
    RenderableTexture* staticShadowMap() const { return m_staticShadowMap.get(); }
    void setStaticShadowMap(RenderableTexture* texture) { m_staticShadowMap = core::CountedRef<RenderableTexture>(texture); }
    // The light a forward renderer shades per pixel.
    bool primaryLight() const { return m_primaryLight; }
    void setPrimaryLight(bool primary) { m_primaryLight = primary; }

private:
    LightType m_lightType;
    Vec3 m_lightColor{1, 1, 1};
    float m_lightRange = 1.0f;
    float m_spotAngle = 1.5707964f;
    float m_spotSharpness = 0;
    bool m_castShadow = false;
    float m_maxShadowDistance = 100000.0f;
    int m_shadowMapSize = 256;
    core::CountedRef<RenderableTexture> m_staticShadowMap;
    bool m_primaryLight = false;
};

} // namespace engine
