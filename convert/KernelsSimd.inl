// Vector row kernels written once for any instruction set: the including file defines
// `struct Isa` (vector type V with N byte lanes and its operations) inside an anonymous
// namespace after selecting its target, then includes this file. Everything here has
// internal linkage, so no function compiled for one target can be merged with another's.
// Each kernel repeats the scalar reference's arithmetic exactly and hands the row's last
// pixels to the scalar kernel.

using V = Isa::V;
constexpr int N = Isa::N;

inline V Select(V mask, V a, V b)
{
    return Isa::Or(Isa::And(mask, a), Isa::AndNot(mask, b));
}

// Lanes of pixels with even x (N is even and every chunk starts at an even x).
inline V EvenLanes()
{
    return Isa::Set16(0x00FF);
}

inline BayerRows Advance(const BayerRows& r, int x)
{
    BayerRows t = r;
    for (auto& p : t.raw) p = p ? p + x : p;
    for (auto& p : t.green) p = p ? p + x : p;
    for (auto& p : t.diff) p = p ? p + x : p;
    t.width = r.width - x;
    if (x & 1) t.greenFirst = !t.greenFirst;
    return t;
}

// Applies the Q10 matrix to 16-bit channel values (one half of a vector).
inline void Ccm16(const int16_t* m, V& b, V& g, V& r)
{
    const V one = Isa::Set16(1);
    V rgLo = Isa::UnpackLo16(r, g), rgHi = Isa::UnpackHi16(r, g);
    V b1Lo = Isa::UnpackLo16(b, one), b1Hi = Isa::UnpackHi16(b, one);
    V out[3];
    for (int row = 0; row < 3; ++row) {
        const V mrg = Isa::Set16Pair(m[row * 3], m[row * 3 + 1]);
        const V mb = Isa::Set16Pair(m[row * 3 + 2], 512);
        const V lo = Isa::Sra32(Isa::Add32(Isa::Madd(rgLo, mrg), Isa::Madd(b1Lo, mb)), 10);
        const V hi = Isa::Sra32(Isa::Add32(Isa::Madd(rgHi, mrg), Isa::Madd(b1Hi, mb)), 10);
        out[row] = Isa::Packs32(lo, hi);
    }
    r = out[0];
    g = out[1];
    b = out[2];
}

// Runs chunk(x) along a demosaicing row at even x (the lane pattern needs it). The row's
// end is one more chunk overlapping the previous one (it rewrites the same values): the
// scalar kernel took up to N + 1 pixels a row and cost more than a whole chunk. A chunk's
// BGR store reaches two pixels past it: up to r.slack of them may lie beyond the row.
// Returns where the scalar rest (at most 3 pixels) starts.
template <class Chunk>
int BayerChunks(const BayerRows& r, Chunk chunk)
{
    const int end = r.width + r.slack;
    int x = 0;
    for (; x + N + 2 <= end; x += N) chunk(x);
    const int last = (end - N - 2) & ~1;
    if (x > 0 && last + N > x) {
        chunk(last);
        x = last + N;
    }
    return x < r.width ? x : r.width;
}

// The row's settings are copied out of BayerRows once per row: the output stores could
// alias it as far as the compiler knows.
struct RowOutput {
    bool redRow;
    const int16_t* ccm;
    explicit RowOutput(const BayerRows& r) : redRow(r.redRow), ccm(r.ccm) {}
};

inline void StoreColours(uint8_t* o, const RowOutput& r, V rowColour, V green, V other)
{
    V b = r.redRow ? other : rowColour;
    V red = r.redRow ? rowColour : other;
    V g = green;
    if (r.ccm) {
        V bl = Isa::Lo16(b), bh = Isa::Hi16(b), gl = Isa::Lo16(g), gh = Isa::Hi16(g), rl = Isa::Lo16(red),
          rh = Isa::Hi16(red);
        Ccm16(r.ccm, bl, gl, rl);
        Ccm16(r.ccm, bh, gh, rh);
        b = Isa::Pack(bl, bh);
        g = Isa::Pack(gl, gh);
        red = Isa::Pack(rl, rh);
    }
    Isa::StoreBgr(o, b, g, red);
}

void SimdBayerBilinear(const BayerRows& r, uint8_t* bgr)
{
    const RowOutput out(r);
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    const V even = EvenLanes();
    const V green = r.greenFirst ? even : Isa::AndNot(even, Isa::Set8(-1));
    const int x = BayerChunks(r, [&](int x) {
        const V c = Isa::Load(p + x);
        const V h = Isa::Avg(Isa::Load(p + x - 1), Isa::Load(p + x + 1));
        const V v = Isa::Avg(Isa::Load(n + x), Isa::Load(s + x));
        const V cross = Isa::Avg(h, v);
        const V diag = Isa::Avg(Isa::Avg(Isa::Load(n + x - 1), Isa::Load(n + x + 1)),
                                Isa::Avg(Isa::Load(s + x - 1), Isa::Load(s + x + 1)));
        StoreColours(bgr + 3 * x, out, Select(green, h, c), Select(green, c, cross), Select(green, v, diag));
    });
    ScalarKernels().BayerBilinear(Advance(r, x), bgr + 3 * x);
}

// Each pixel needs two estimates: at green sites the row colour and the other colour, at
// red/blue sites green and the diagonal colour. With per-lane weights (lanes alternate
// between the two kinds) both come from one weighted sum each, in sixteenths.
struct GradientWeights {
    V c, h, v, diag, farH, farV;
};

inline V Lanes(bool greenEven, int green, int other)
{
    return greenEven ? Isa::Set16Pair(green, other) : Isa::Set16Pair(other, green);
}

inline V Weighted(const GradientWeights& w, V c, V h, V v, V diag, V farH, V farV)
{
    const V a = Isa::Add16(Isa::Mul16(c, w.c), Isa::Mul16(h, w.h));
    const V b = Isa::Add16(Isa::Mul16(v, w.v), Isa::Mul16(diag, w.diag));
    const V f = Isa::Add16(Isa::Mul16(farH, w.farH), Isa::Mul16(farV, w.farV));
    return Isa::Sra16(Isa::Add16(Isa::Add16(a, b), Isa::Add16(f, Isa::Set16(8))), 4);
}

void SimdBayerGradient(const BayerRows& r, uint8_t* bgr)
{
    const RowOutput out(r);
    const uint8_t* nn = r.raw[0];
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    const uint8_t* ss = r.raw[4];
    const V even = EvenLanes();
    const V green = r.greenFirst ? even : Isa::AndNot(even, Isa::Set8(-1));
    const bool ge = r.greenFirst;
    // First estimate: row colour at green sites, green elsewhere; second: the other colour.
    const GradientWeights w1{Lanes(ge, 10, 8), Lanes(ge, 8, 4),   Lanes(ge, 0, 4),
                             Lanes(ge, -2, 0), Lanes(ge, -2, -2), Lanes(ge, 1, -2)};
    const GradientWeights w2{Lanes(ge, 10, 12), Lanes(ge, 0, 0),  Lanes(ge, 8, 0),
                             Lanes(ge, -2, 4),  Lanes(ge, 1, -3), Lanes(ge, -2, -3)};
    const int x = BayerChunks(r, [&](int x) {
        const V c = Isa::Load(p + x), pl = Isa::Load(p + x - 1), pr = Isa::Load(p + x + 1);
        const V pll = Isa::Load(p + x - 2), prr = Isa::Load(p + x + 2);
        const V nc = Isa::Load(n + x), sc = Isa::Load(s + x), nnc = Isa::Load(nn + x), ssc = Isa::Load(ss + x);
        const V nl = Isa::Load(n + x - 1), nr = Isa::Load(n + x + 1), sl = Isa::Load(s + x - 1),
                sr = Isa::Load(s + x + 1);
        V e1[2], e2[2];
        for (int half = 0; half < 2; ++half) {
            auto w = [half](V v) { return half ? Isa::Hi16(v) : Isa::Lo16(v); };
            const V cw = w(c), h = Isa::Add16(w(pl), w(pr)), v = Isa::Add16(w(nc), w(sc));
            const V diag = Isa::Add16(Isa::Add16(w(nl), w(nr)), Isa::Add16(w(sl), w(sr)));
            const V farH = Isa::Add16(w(pll), w(prr)), farV = Isa::Add16(w(nnc), w(ssc));
            e1[half] = Weighted(w1, cw, h, v, diag, farH, farV);
            e2[half] = Weighted(w2, cw, h, v, diag, farH, farV);
        }
        const V a = Isa::Pack(e1[0], e1[1]), b = Isa::Pack(e2[0], e2[1]);
        StoreColours(bgr + 3 * x, out, Select(green, a, c), Select(green, c, a), b);
    });
    ScalarKernels().BayerGradient(Advance(r, x), bgr + 3 * x);
}

// Only red and blue sites need work: chunks start on such a site, so the even bytes of
// every load are sites and the odd bytes green samples, and 16-bit lanes hold one site each.
void SimdBayerEdgeGreen(const BayerRows& r, uint8_t* greenOut, int16_t* diff)
{
    const uint8_t* nn = r.raw[0];
    const uint8_t* n = r.raw[1];
    const uint8_t* p = r.raw[2];
    const uint8_t* s = r.raw[3];
    const uint8_t* ss = r.raw[4];
    int x = 0;
    if (r.greenFirst && r.width > 0) {
        greenOut[0] = p[0];
        diff[0] = 0;
        x = 1;
    }
    const int first = x;
    const V low = Isa::Set16(0x00FF), zero = Isa::Zero(), three = Isa::Set16(3);
    const V two = Isa::Set16(2), four = Isa::Set16(4), top = Isa::Set16(255);
    auto chunk = [&](int x) {
        const V a = Isa::Load(p + x), l = Isa::Load(p + x - 2), rr = Isa::Load(p + x + 2);
        const V c = Isa::And(a, low);
        const V pl = Isa::Srl16(l, 8), pr = Isa::Srl16(a, 8);
        const V c2 = Isa::Sll16(c, 1);
        const V curveH = Isa::Sub16(c2, Isa::Add16(Isa::And(l, low), Isa::And(rr, low)));
        const V nc = Isa::And(Isa::Load(n + x), low), sc = Isa::And(Isa::Load(s + x), low);
        const V curveV = Isa::Sub16(c2, Isa::Add16(Isa::And(Isa::Load(nn + x), low), Isa::And(Isa::Load(ss + x), low)));
        const V dH = Isa::Add16(Isa::Abs16(Isa::Sub16(pl, pr)), Isa::Abs16(curveH));
        const V dV = Isa::Add16(Isa::Abs16(Isa::Sub16(nc, sc)), Isa::Abs16(curveV));
        const V gH = Isa::Add16(Isa::Sll16(Isa::Add16(pl, pr), 1), curveH);
        const V gV = Isa::Add16(Isa::Sll16(Isa::Add16(nc, sc), 1), curveV);
        const V eH = Isa::Sra16(Isa::Add16(gH, two), 2);
        const V eV = Isa::Sra16(Isa::Add16(gV, two), 2);
        const V eB = Isa::Sra16(Isa::Add16(Isa::Add16(gH, gV), four), 3);
        const V eVB = Isa::SelectLt16(Isa::Sll16(dV, 2), Isa::Mul16(dH, three), eV, eB);
        const V e = Isa::SelectLt16(Isa::Sll16(dH, 2), Isa::Mul16(dV, three), eH, eVB);
        const V g = Isa::Min16(Isa::Max16(e, zero), top);
        Isa::Store(greenOut + x, Isa::Or(Isa::AndNot(low, a), g));
        const V d = Isa::Sub16(c, g);
        uint8_t* out = reinterpret_cast<uint8_t*>(diff + x);
        // Sites are the low half of each 32-bit pair, greens (zero difference) the high one.
        Isa::Store(out, Isa::Widen32Lo(d));
        Isa::Store(out + N, Isa::Widen32Hi(d));
    };
    for (; x + N <= r.width; x += N) chunk(x);
    // The rest as one more chunk that overlaps the last (it rewrites the same values): the
    // scalar kernel costs about as much for these few pixels as a whole chunk.
    const int last = (r.width - N) - ((r.width - N - first) & 1);
    if (x < r.width && last >= first) {
        chunk(last);
        x = last + N;
    }
    ScalarKernels().BayerEdgeGreen(Advance(r, x), greenOut + x, diff + x);
}

// Colour differences are 16-bit rows in memory order: each half of the chunk is one load.
// The differences are zero at green sites, so one formula serves every pixel:
//   row colour   = g + d(x) + (d(x-1) + d(x+1) + 1) >> 1                (same row)
//   other colour = g + (2 v(x) + v(x-1) + v(x+1) + 2) >> 2,  v = d above + d below
// At a green pixel d(x), v(x-1) and v(x+1) vanish (the scalar's horizontal and vertical
// means); at a red/blue pixel d(x-1), d(x+1) and v(x) vanish (its own sample, and the mean
// of the four diagonal differences). That needs the rows above and below to have the other
// parity, which only a one-row image (mirrored onto itself) lacks.
void SimdBayerEdgeColour(const BayerRows& r, uint8_t* bgr)
{
    if (r.width < N + 2 || r.diff[0] == r.diff[1]) {
        ScalarKernels().BayerEdgeColour(r, bgr);
        return;
    }
    const uint8_t* gp = r.green[1];
    // Local copies: the output stores could alias r as far as the compiler knows.
    const int16_t* const above = r.diff[0];
    const int16_t* const here = r.diff[1];
    const int16_t* const below = r.diff[2];
    const RowOutput out(r);
    const V one = Isa::Set16(1), two = Isa::Set16(2);
    auto chunk = [&](int x) {
        const V g8 = Isa::Load(gp + x);
        V row[2], other[2];
        for (int half = 0; half < 2; ++half) {
            const int at = x + half * (N / 2);
            auto d = [at](const int16_t* line, int dx) {
                return Isa::Load(reinterpret_cast<const uint8_t*>(line + at + dx));
            };
            const V g = half ? Isa::WidenHi(g8) : Isa::WidenLo(g8);
            const V vl = Isa::Add16(d(above, -1), d(below, -1));
            const V vc = Isa::Add16(d(above, 0), d(below, 0));
            const V vr = Isa::Add16(d(above, 1), d(below, 1));
            const V h = Isa::Add16(d(here, -1), d(here, 1));
            const V sumV = Isa::Add16(Isa::Add16(vl, vr), Isa::Add16(Isa::Add16(vc, vc), two));
            row[half] = Isa::Add16(Isa::Add16(g, d(here, 0)), Isa::Sra16(Isa::Add16(h, one), 1));
            other[half] = Isa::Add16(g, Isa::Sra16(sumV, 2));
        }
        StoreColours(bgr + 3 * x, out, Isa::PackOrdered(row[0], row[1]), g8, Isa::PackOrdered(other[0], other[1]));
    };
    const int x = BayerChunks(r, chunk);
    ScalarKernels().BayerEdgeColour(Advance(r, x), bgr + 3 * x);
}

void SimdShift16To8(const uint8_t* src, uint8_t* dst, size_t n, int shift)
{
    auto chunk = [&](size_t i) {
        const V lo = Isa::Srl16(Isa::Load(src + 2 * i), shift);
        const V hi = Isa::Srl16(Isa::Load(src + 2 * i + N), shift);
        // shift >= 2 leaves at most 16383, so the signed-to-unsigned pack saturates exactly
        // like the reference's clamp.
        Isa::Store(dst + i, Isa::PackOrdered(lo, hi));
    };
    size_t i = 0;
    for (; i + N <= n; i += N) chunk(i);
    // The rest as one chunk overlapping the last, unless (converting in place) it would read
    // samples already overwritten.
    if (i < n && i > 0) {
        const auto at = [](const uint8_t* q) { return reinterpret_cast<uintptr_t>(q); };
        if (at(dst) >= at(src + 2 * n) || at(dst + i) <= at(src + 2 * (n - N))) {
            chunk(n - N);
            i = n;
        }
    }
    ScalarKernels().Shift16To8(src + 2 * i, dst + i, n - i, shift);
}

// Byte 0 and 2 of each pixel change places: three loads offset by -2, 0 and +2 bytes,
// merged with masks repeating every three bytes.
void SimdSwapRB(const uint8_t* src, uint8_t* dst, size_t n)
{
    if (n < 2) {
        ScalarKernels().SwapRB(src, dst, n);
        return;
    }
    ScalarKernels().SwapRB(src, dst, 1);
    const size_t bytes = 3 * n;
    size_t o = 3;
    V keep[3], fromRight[3], fromLeft[3];
    for (int k = 0; k < 3; ++k) {
        uint8_t m[3][N];
        for (int j = 0; j < N; ++j) {
            const int pos = (k * N + j) % 3;
            m[0][j] = pos == 1 ? 0xFF : 0;
            m[1][j] = pos == 0 ? 0xFF : 0;
            m[2][j] = pos == 2 ? 0xFF : 0;
        }
        keep[k] = Isa::Load(m[0]);
        fromRight[k] = Isa::Load(m[1]);
        fromLeft[k] = Isa::Load(m[2]);
    }
    auto chunk = [&](size_t o) {
        for (int k = 0; k < 3; ++k) {
            const uint8_t* q = src + o + k * N;
            Isa::Store(dst + o + k * N,
                       Isa::Or(Isa::And(Isa::Load(q), keep[k]), Isa::Or(Isa::And(Isa::Load(q + 2), fromRight[k]),
                                                                        Isa::And(Isa::Load(q - 2), fromLeft[k]))));
        }
    };
    for (; o + 3 * N + 2 <= bytes; o += 3 * N) chunk(o);
    // The rest as one chunk overlapping the last, on a pixel boundary and with its +2 load
    // inside the row: only the last pixel stays scalar.
    if (o > 3 && o + 3 < bytes) {
        o = bytes - 3 * N - 3;
        chunk(o);
        o += 3 * N;
    }
    ScalarKernels().SwapRB(src + o, dst + o, (bytes - o) / 3);
}

void SimdGrayToBgr(const uint8_t* mono, uint8_t* bgr, size_t n)
{
    size_t i = 0;
    for (; i + N + 2 <= n; i += N) {
        const V v = Isa::Load(mono + i);
        Isa::StoreBgr(bgr + 3 * i, v, v, v);
    }
    ScalarKernels().GrayToBgr(mono + i, bgr + 3 * i, n - i);
}

// Chroma terms per pixel pair from (u, v) 16-bit pairs, duplicated to both pixels.
inline V ChromaTerm(V uv, int cu, int cv)
{
    const V t = Isa::Sra32(Isa::Add32(Isa::Madd(uv, Isa::Set16Pair(cu, cv)), Isa::Set32(128)), 8);
    return Isa::Or(Isa::And(t, Isa::Set32(0xFFFF)), Isa::Sll32(t, 16));
}

void SimdYuv422ToBgr(const uint8_t* src, uint8_t* bgr, size_t n, bool uyvy)
{
    size_t i = 0;
    const V low = Isa::Set16(0x00FF);
    const V c128 = Isa::Set16(128);
    for (; i + N + 2 <= n; i += N) {
        V b[2], g[2], r[2];
        for (int half = 0; half < 2; ++half) {
            const V v = Isa::Load(src + 2 * i + half * N);
            const V y = uyvy ? Isa::Srl16(v, 8) : Isa::And(v, low);
            const V uv = Isa::Sub16(uyvy ? Isa::And(v, low) : Isa::Srl16(v, 8), c128);
            b[half] = Isa::Add16(y, ChromaTerm(uv, 454, 0));
            g[half] = Isa::Add16(y, ChromaTerm(uv, -88, -183));
            r[half] = Isa::Add16(y, ChromaTerm(uv, 0, 359));
        }
        Isa::StoreBgr(bgr + 3 * i, Isa::PackOrdered(b[0], b[1]), Isa::PackOrdered(g[0], g[1]),
                      Isa::PackOrdered(r[0], r[1]));
    }
    ScalarKernels().Yuv422ToBgr(src + 2 * i, bgr + 3 * i, n - i, uyvy);
}

void SimdYuv422ToLuma(const uint8_t* src, uint8_t* mono, size_t n, bool uyvy)
{
    size_t i = 0;
    const V low = Isa::Set16(0x00FF);
    for (; i + N <= n; i += N) {
        V y[2];
        for (int half = 0; half < 2; ++half) {
            const V v = Isa::Load(src + 2 * i + half * N);
            y[half] = uyvy ? Isa::Srl16(v, 8) : Isa::And(v, low);
        }
        Isa::Store(mono + i, Isa::PackOrdered(y[0], y[1]));
    }
    ScalarKernels().Yuv422ToLuma(src + 2 * i, mono + i, n - i, uyvy);
}
