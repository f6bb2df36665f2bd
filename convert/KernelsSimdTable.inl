// The kernel table of KernelsSimd.inl's vector kernels over the scalar ones. Included after
// the target options are popped: it only takes the kernels' addresses, so it runs on any
// processor (the table is built at first use, before the level is checked).

Kernels SimdKernelTable()
{
    Kernels k = ScalarKernels();
    k.Shift16To8 = SimdShift16To8;
    k.BayerBilinear = SimdBayerBilinear;
    k.BayerGradient = SimdBayerGradient;
    k.BayerEdgeGreen = SimdBayerEdgeGreen;
    k.BayerEdgeColour = SimdBayerEdgeColour;
    k.SwapRB = SimdSwapRB;
    k.GrayToBgr = SimdGrayToBgr;
    k.Yuv422ToBgr = SimdYuv422ToBgr;
    k.Yuv422ToLuma = SimdYuv422ToLuma;
    return k;
}
