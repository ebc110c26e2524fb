// The density field: an effect's density at points of the normalised cube, with the shape value
// the colour gradient reads and the point a host shader read, handed back as values. It reads
// the prepared volume and the parameter block and keeps nothing of a sample; the effect supplies
// the stages (DensityStages) and the field the building blocks they are made of: the modifier
// pass, the vortex swirl, the shape mask and the noise field with its gain and bias curves.
#pragma once

#include <cstdint>

#include "brumo/parameter_blocks.h"
#include "math/noise_lattice.h"
#include "math/vector3.h"
#include "primitive/prepared_volume.h"
#include "primitive/vortex.h"

namespace brumo {

// The most samples one run of the field takes: the march and the light marches hand over their
// samples in runs of at most this many.
constexpr int32_t kDensityBatch = 64;

// One sample on its way through an effect's density: what each stage found for the next. Plain
// data, left unset until a stage writes it: runs keep many of these on the stack.
struct DensityLane {
    Vector3 shapePoint;  // where the shape mask is read
    Vector3 noisePoint;  // where the noise field is read (before that, the effect's own point, or
                         // the moved point in noise space for an effect that starts there)
    float mask;          // the shape mask, then the effect's own weight
    float extra;         // a second value an effect may need (fire's height)
    float density;       // the whole density of a sample that stops early (0 unless set)
    bool needsNoise;     // true until the run-wide stage stops the sample
};

// The point the field was read at for a host shader (the last one of a run), if it was: a host
// colour shader is handed the point the density path read last.
struct ShadingPoint {
    Vector3 point;
    bool read;
};

// What the field gives at one point: the density, the shape value the colour gradient reads and
// the shading point.
struct DensitySample {
    float density;
    float shape;
    ShadingPoint shading{kZeroVector, false};
};

class DensityField;

// An effect's density as stages over the field (density_stages.h runs them). Each stage answers
// false when the sample stops there, with its density in lane.density.
class DensityStages {
public:
    // The densities and shape values of a run of count (at most kDensityBatch) points, and into
    // shading (unless null) the point a host shader read last: one call per run. An effect class
    // runs its stages here directly (runDensityStages); this one runs them through the virtual
    // table.
    virtual void runStages(const DensityField& field, int32_t count, const Vector3* points, float* densities,
                           float* shapes, ShadingPoint* shading);
    // The same densities for a reader of shape values only where the density is above 0, as a
    // march is (its colours come from dense samples alone): elsewhere a shape value may be left
    // at 0. runStages here.
    virtual void runStagesWhereDense(const DensityField& field, int32_t count, const Vector3* points,
                                     float* densities, float* shapes);
    // Before the shape: from the point as received and as the modifiers moved it, the point the
    // mask reads (lane.shapePoint). No behaviour here: raises 0x80010003.
    virtual bool beforeShape(const DensityField& field, const Vector3& point, const Vector3& moved,
                             DensityLane& lane);
    // After the shape mask m: where the noise is read (lane.noisePoint) and the weight for later.
    virtual bool afterShape(const DensityField& field, const Vector3& point, const Vector3& moved, float m,
                            DensityLane& lane);
    // True when beforeShape hands the mask the moved point unchanged and stops no sample: a run
    // then skips beforeShape, and the samples a ball shape empties before any stage. False here.
    virtual bool shapeReadsMovedPoint(const DensityField& field) const;
    // True when the stages start from the moved point in noise space: the run then maps its
    // points there at once and hands each in lane.noisePoint to the first stage. False here.
    virtual bool startsInNoiseSpace(const DensityField& field) const;
    // For the samples still going: a run-wide stage before the noise (clouds: the puffs), which
    // may stop samples by clearing needsNoise. The k-th sample is at moved[k], its lane
    // lanes[indices[k]]. Nothing here.
    virtual void weighRun(const DensityField& field, int32_t count, const Vector3* moved, const int32_t* indices,
                          DensityLane* lanes);
    // The density from the lane and the noise field value v.
    virtual float afterNoise(const DensityLane& lane, float v);

protected:
    ~DensityStages() = default;
};

class DensityField {
public:
    // The lattice is the volume's: reading it fills its lane tables and octave plan on demand.
    DensityField(const PreparedVolume& volume, NoiseLattice& lattice, const EffectParameters& parameters,
                 DensityStages& stages);
    DensityField(const DensityField&) = delete;
    DensityField& operator=(const DensityField&) = delete;

    const PreparedVolume& volume() const { return volume_; }
    // The mesh crossings a march counts along (none outside one); answers those counted before.
    const MeshCrossings* countCrossings(const MeshCrossings* crossings);
    const EffectParameters& parameters() const { return parameters_; }

    // The effect's densities and shape values of count (at most kDensityBatch) points, each
    // stage taken for the whole run, the mask, puffs and noise in vector lanes; the same bits as
    // one at a time. Runs of more than one point only without host shaders (which read one point
    // at a time, and whose point densityAt hands on).
    void sampleDensities(int32_t count, const Vector3* points, float* densities, float* shapes) const {
        stages_.runStages(*this, count, points, densities, shapes, nullptr);
    }
    // The same densities, the shape values only where the density is above 0 (0 may stand
    // elsewhere): for the marches.
    void sampleDensitiesWhereDense(int32_t count, const Vector3* points, float* densities, float* shapes) const {
        stages_.runStagesWhereDense(*this, count, points, densities, shapes);
    }
    // The stages for a run of one point.
    DensitySample densityAt(const Vector3& point) const;

    Vector3 applyModifiers(const Vector3& p) const;
    void applyModifiersMany(int32_t count, const Vector3* points, Vector3* moved) const;
    // The points as the modifiers leave them: the points themselves without modifiers, else
    // moved into room (count entries) and room.
    const Vector3* movedByModifiers(int32_t count, const Vector3* points, Vector3* room) const {
        if (volume_.modifiers.empty()) return points;
        applyModifiersMany(count, points, room);
        return room;
    }
    Vector3 toNoiseSpace(const Vector3& p) const { return applyLinear(volume_.noiseTransform, p); }
    void toNoiseSpaceMany(int32_t count, const Vector3* points, Vector3* out) const;
    Vector3 fromNoiseSpace(const Vector3& q) const { return applyLinear(volume_.noiseTransformInverse, q); }
    void fromNoiseSpaceMany(int32_t count, const Vector3* points, Vector3* out) const;
    // Applies the vortex list from the last to the first, turning by the height of heightOf (the
    // sample's point). Inline, so that an effect without vortices pays one compare per sample.
    void applyVortices(Vector3& q, const Vector3& heightOf) const {
        if (!volume_.vortices.empty()) swirlPoint(volume_.vortices.data(), volume_.vortices.count(), q, heightOf);
    }
    // The same for count points in place, each turning by the height of heightsOf[i].
    void applyVorticesMany(int32_t count, Vector3* points, const Vector3* heightsOf) const {
        if (!volume_.vortices.empty())
            swirlPoints(volume_.vortices.data(), volume_.vortices.count(), count, points, heightsOf);
    }
    // The shape mask at a point of the normalised cube.
    float shapeMask(const Vector3& s, uint32_t flags, const FalloffPair (&falloffs)[16], bool soft) const;
    // The shape mask at count (at most kDensityBatch) points, into out.
    void shapeMaskMany(int32_t count, const Vector3* points, uint32_t flags, const FalloffPair (&falloffs)[16],
                       bool soft, float* out) const;
    float noiseField(const Vector3& n) const;
    // noiseField at count points; with a host shader one point at a time through a shading
    // record, the last point written into shading (unless null). Not returned: a small struct
    // coming back in registers costs the march more than the store.
    void noiseFieldMany(int32_t count, const Vector3* points, float* values, ShadingPoint* shading = nullptr) const;
    // The field value clamped to [0, 1] and passed through the gain and bias tables.
    float shapedNoise(float v) const;
    // The built-in field of the noise type before shaping (0 for type 0).
    void builtInField(int32_t count, const Vector3* points, float* values) const;

private:
    const PreparedVolume& volume_;
    NoiseLattice& lattice_;
    const EffectParameters& parameters_;
    DensityStages& stages_;
    const MeshCrossings* crossings_ = nullptr;
};

}  // namespace brumo
