#include "host/render/physical/empty_space.h"

#include <algorithm>

namespace brumo::host {

EmptySpace::EmptySpace(const LatticeField& field) {
    for (int a = 0; a < 3; ++a) {
        n_[a] = field.count(a);
        blocks_[a] = (n_[a] + kBlock - 1) / kBlock;
    }
    if (n_[0] == 0 || n_[1] == 0 || n_[2] == 0) return;
    const int channels = field.channels();
    // Non-zero voxels along x, gathered into blocks along x first, then spread over y and z.
    std::vector<uint8_t> rows(size_t(blocks_[0]) * size_t(n_[1]) * size_t(n_[2]), 0);
    for (int k = 0; k < n_[2]; ++k)
        for (int j = 0; j < n_[1]; ++j)
            for (int i = 0; i < n_[0]; ++i) {
                const float* v = field.voxel(i, j, k);
                bool any = false;
                for (int c = 0; c < channels; ++c) any = any || v[c] != 0.0f;
                if (!any) continue;
                // Interpolation in block b reads voxels b × kBlock to (b + 1) × kBlock; one more on
                // either side keeps rounding at a block's face harmless.
                const int low = std::max(0, (i - kBlock - 1) / kBlock), high = std::min(blocks_[0] - 1, (i + 1) / kBlock);
                for (int b = low; b <= high; ++b)
                    if (b * kBlock - 1 <= i && i <= (b + 1) * kBlock + 1)
                        rows[(size_t(k) * size_t(n_[1]) + size_t(j)) * size_t(blocks_[0]) + size_t(b)] = 1;
            }
    occupied_.assign(size_t(blocks_[0]) * size_t(blocks_[1]) * size_t(blocks_[2]), 0);
    for (int k = 0; k < n_[2]; ++k)
        for (int j = 0; j < n_[1]; ++j)
            for (int bx = 0; bx < blocks_[0]; ++bx) {
                if (!rows[(size_t(k) * size_t(n_[1]) + size_t(j)) * size_t(blocks_[0]) + size_t(bx)]) continue;
                for (int bz = std::max(0, (k - kBlock - 1) / kBlock); bz <= std::min(blocks_[2] - 1, (k + 1) / kBlock); ++bz) {
                    if (!(bz * kBlock - 1 <= k && k <= (bz + 1) * kBlock + 1)) continue;
                    for (int by = std::max(0, (j - kBlock - 1) / kBlock); by <= std::min(blocks_[1] - 1, (j + 1) / kBlock); ++by)
                        if (by * kBlock - 1 <= j && j <= (by + 1) * kBlock + 1)
                            occupied_[(size_t(bz) * size_t(blocks_[1]) + size_t(by)) * size_t(blocks_[0]) + size_t(bx)] = 1;
                }
            }
}

}  // namespace brumo::host
