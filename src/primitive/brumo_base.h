// BrumoBase: the volume primitive every effect derives from. It holds the parameter block the
// host edits, the prepared volume derived from it (prepared_volume.h), the density field over
// both (density_field.h) and the march that integrates ray segments; an effect type supplies
// only prepareEffect and its density stages (DensityStages).
//
// Effect types derive through TQVComponent, which completes the interface boilerplate:
//
//   class Smog final : public TQVComponent<Smog, BrumoBase> { ... };
//
// An effect with parameters of its own declares them as its first data members, so that they
// follow the common block directly in memory (see the effect's static_assert), and answers
// parameterBlockSize with the size of its whole block.
#pragma once

#include <cstdint>

#include "brumo/colour.h"
#include "brumo/density_sampler.h"
#include "brumo/parameter_codes.h"
#include "brumo/parameter_blocks.h"
#include "frame/basic_primitive.h"
#include "frame/module_state.h"
#include "frame/module_texts.h"
#include "math/vector3.h"
#include "primitive/critical_section.h"
#include "primitive/density_field.h"
#include "primitive/march_state.h"
#include "primitive/prepared_volume.h"
#include "primitive/sample_sum.h"
#include "primitive/shadow_grid.h"
#include "qv/scene.h"
#include "qv/scene_records.h"
#include "qv/volume_primitive.h"

namespace brumo {

// The most samples one integrateSegment call takes, so that no segment, however long, holds the
// host up: a segment that would need more full steps is marched with proportionally longer ones.
// The finest step (2^-14) crosses the cube's diagonal in 56756 samples, so no segment inside the
// cube is affected.
constexpr int32_t kMaxSegmentSamples = 1 << 16;
// The most samples of one march toward a light while the shadow grid is built. The largest grid
// (64 points a side, from quality 1.28) marches at most 222 samples along the diagonal, so only
// qualities above about 1.5 get longer steps there; a grid build thus takes at most 64³ × 256
// density samples per light, in 64 slices with a cancel check after each.
constexpr int32_t kMaxLightMarchSamples = 256;

// IDensitySampler is the last interface and its overrides come last: an interface added later
// must not move the primary slots above, nor the slots of the host's interfaces. The density
// stages are no interface of the host's (their table is a separate one).
class BrumoBase : public TBasicPrimitive,
                  public IVolumePrimitive,
                  public I3DExNewVolumePrimitive,
                  public IDensitySampler,
                  public DensityStages {
public:
    // Primary operations 8 to 10. They must stay the first virtual functions declared here: an
    // override of another interface's operation below also takes a primary slot.
    virtual int32_t QV_CALL primitiveSlot8(intptr_t unused);  // answers 0
    // Effect preparation, run by prepareRender after the tables and shaders and before lighting.
    virtual void QV_CALL prepareEffect();
    // Density at a point of the normalised cube: densityAt's density.
    virtual float QV_CALL sampleDensity(const Vector3& point);

    // IExDataExchanger (handleEvent: the editor's events, editor_events.cpp).
    void* QV_CALL parameterBlock() override;
    QVResult QV_CALL parametersChanged() override;
    QVResult QV_CALL handleEvent(int32_t kind, IQVUnknown* source, void* data) override;

    // I3DExGeometricPrimitive.
    QVBox* QV_CALL queryBounds(QVBox* box) override;
    bool QV_CALL geometrySlot24() override;  // true
    bool QV_CALL geometrySlot25() override;  // true

    // IVolumePrimitive.
    QVResult QV_CALL volumeSlot4(intptr_t first, intptr_t second, intptr_t third) override;
    QVResult QV_CALL integrateSegment(const QVVector3* start, const QVVector3* end,
                                      QVColourRecord* colour, void* outputRecord, int32_t flag,
                                      int32_t finalValue) override;

    // I3DExNewVolumePrimitive.
    void QV_CALL newVolumeSlot4() override;
    void QV_CALL newVolumeSlot5() override;
    QVResult QV_CALL integrateRaySpan(intptr_t unused, const QVRay* ray, const double& startDistance,
                                      const double& endDistance, QVColourRecord* colour,
                                      float* outputRecord, intptr_t unused1, intptr_t unused2,
                                      intptr_t unused3, intptr_t unused4, intptr_t unused5,
                                      int32_t finalValue) override;
    bool QV_CALL newVolumeSlot7() override;  // false

    // IDensitySampler.
    QVResult QV_CALL sampleAt(const QVVector3* point, float* density, float* shapeValue,
                              QVColourRecord* colour) override;
    QVResult QV_CALL sampleMany(int32_t count, const QVVector3* points, float* densities,
                                float* shapeValues, QVColourRecord* colours) override;

    // What an effect's density depends on beyond the common block: its own parameters, in the
    // shadow grid's inputs. Nothing here.
    virtual void addEffectInputs(GridInputs& inputs) const;

    // IVolumePrimitive, I3DExNewVolumePrimitive, IDensitySampler and the identity, then
    // TBasicPrimitive.
    QVResult queryInterfaceChain(const QVGuid& iid, void** out);

    IVolumePrimitive* volumeInterface() { return this; }
    I3DExNewVolumePrimitive* newVolumeInterface() { return this; }
    IDensitySampler* densitySamplerInterface() { return this; }
    EffectParameters& block() { return parameters; }
    const EffectParameters& block() const { return parameters; }

    // --- Render preparation (lazy; run at the start of integrateSegment) ---
    // What every render call does first, under the lock: the stale caches in the order
    // modifiers, lattice, parameters, then the scene's lights and shaders, then cubeBounds.
    void refreshForRender();
    void prepareRender();
    void reseedLattice();
    // True when the lattice was built from another seed than seedValue names.
    bool latticeSeedStale() const;
    void refreshModifiers();
    void refreshShaders();
    // The mesh step of prepareRender: takes the scene object named meshName when shaping is on.
    void attachMesh();
    // The lighting step of prepareRender: the light list and the shadow grid of the mode.
    void prepareLighting();
    // Mode "Opt1": the one white light travelling along lightDirection.
    void setFixedLight();
    void checkSceneLights();
    void rebuildLights();
    // The grid of the current lights: the one every copy with the same inputs shares, computed
    // here (with the copies building it at the same time) unless it is complete.
    void buildShadowGrid();
    // The grid's inputs; false when they cannot tell whether two copies share a grid.
    bool shadowGridInputs(GridInputs& inputs);

    // What the last preparation derived from the parameter block and the scene, read-only.
    const PreparedVolume& prepared() const { return prepared_; }
    // The density field of this primitive: the effect's stages over the prepared volume.
    const DensityField& field() const { return field_; }
    // True when the field's runs may stand in for one sample at a time: vector lanes are on and
    // no host shader takes part in density or colour.
    bool batchedSampling() const;

    // The field at one point; a sample that read no point for a host shader hands on the one
    // read last (in this call or an earlier one), as the colour shader sees it.
    DensitySample densityAt(const Vector3& point);

    // --- Integration ---
    // The colour of a sample: from the gradient, else from the host colour shader (handed a
    // shading record of the host's defaults at the sample's shading point), else none.
    ColourRGBA sampleColour(const DensitySample& sample) const;
    // One sample at point taken one at a time (its density, then its colour, host shaders
    // included) and added to sum; true when the march stops there (a full step that brought the
    // opacity to 0.99).
    bool accumulateSample(const Vector3& point, float stepLength, bool fullStep, SampleSum& sum);
    // The light reaching count points (at most 64) from every light, their marches stepped together.
    void lightAtPoints(int32_t count, const Vector3* points, float* sums);
    float shadowGridLookup(const Vector3& point) const;
    // Density, shape value and colour at points of the local space, after refreshForRender; the
    // body of the density sampler's operations.
    void samplePoints(int32_t count, const QVVector3* points, float* densities, float* shapeValues,
                      QVColourRecord* colours);
    // samplePoints for a primitive that is not empty, with batched sampling and no mesh.
    void samplePointRuns(int32_t count, const QVVector3* points, float* densities,
                         float* shapeValues, QVColourRecord* colours);

    // The component's own state.
    uint8_t preparePending;
    uint8_t reseedPending;
    uint8_t modifiersPending;

private:
    // Before the parameter block, which the effects' own fields follow.
    PreparedVolume prepared_;
    DensityField field_;
    // The point a host shader read last, for the colour shader of a sample that read none.
    ShadingCarry shadingCarry_;

public:
    // Set when a rebuild of the scene's lights was cancelled, so that the next check redoes it.
    uint8_t sceneLightsPending = 0;
    CriticalSection* lock;
    EffectParameters parameters;  // effect types append their own fields right behind it

protected:
    BrumoBase();
    ~BrumoBase();
    // The prepared volume as an effect's own preparation (prepareEffect) writes it.
    PreparedVolume& preparing() { return prepared_; }
};

}  // namespace brumo
