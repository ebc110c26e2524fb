// NoiseModifier: moves every sample point along a fixed direction by a scalar field: the
// modifier's own gradient noise in a noise space the user scales, offsets and rotates, or a
// shader of the host's scene chosen by name. It breaks up an effect's regular outline. Its
// lattice is its own, so its pattern is independent of the primitive's and can be reseeded from
// the editor.
#pragma once

#include "brumo/parameter_blocks.h"
#include "frame/component.h"
#include "math/affine_transform.h"
#include "math/noise_lattice.h"
#include "modifiers/basic_volume_modifier.h"
#include "qv/counted_ptr.h"
#include "qv/scene.h"
#include "qv/scene_records.h"

namespace brumo {

class NoiseModifier final : public TQVComponent<NoiseModifier, BasicVolumeModifier> {
public:
    NoiseModifier();

    void QV_CALL deformPoint(const Vector3& in, Vector3& out) override;
    // The built-in noise of all the points in vector lanes; a host shader point by point.
    void deformPoints(int32_t count, const Vector3* in, Vector3* out) override;
    // The numbers of the block and the lattice's seed; false when a host shader may give the field.
    bool addInputs(GridInputs& inputs) const override;
    // A "SEED" control draws a new seed and rebuilds the lattice at once: answers 1. Any other
    // control, or none, answers 0 and changes nothing.
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    void updateCache();

    // Members, in their order.
    NoiseLattice lattice;
    QVCountedPtr<IQVShaderObject> shaderRef;
    QVCountedPtr<IQVShader> shader;
    QVShadingRecord shadingRecord;
    AffineTransform noiseTransform;
    NoiseModifierParameters parameters;

private:
    // Points a deformPoints call hands the noise at once.
    static constexpr int32_t kRun = 64;

    void reseed(int32_t seed);
    void moveAlongDirection(float value, Vector3& point) const;
    void refreshShader();
};

}  // namespace brumo
