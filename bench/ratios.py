#!/usr/bin/env python3
"""Median times of a convert_bench JSON run (with repetitions) and the goal ratios, as a
Markdown table. Usage: ratios.py result.json"""
import json
import sys

SIZES = {"0": "2448x2048 cold", "1": "1280x1024 cold", "2": "320x256 hot"}


def load(path):
    data = json.load(open(path))
    med = {}
    psnr = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].replace("/real_time", "")
        med[name] = b["cpu_time"]
        if "psnr" in b:
            psnr[name] = b["psnr"]
    return med, psnr


def main():
    med, psnr = load(sys.argv[1])
    # (goal, ours, reference, kind, target, sizes): "faster" = reference / ours >= target,
    # "within" = ours / reference <= target.
    goals = [
        ("Bayer8 Fast vs OpenCV bilinear", "Ours/Bayer8_Fast", "OpenCv/Bayer8_Bilinear", "faster", 1.5),
        ("Bayer8 Equilibrium vs OpenCV EA", "Ours/Bayer8_Equilibrium", "OpenCv/Bayer8_EA", "faster", 1.0),
        ("Bayer8 Optimal vs OpenCV VNG", "Ours/Bayer8_Optimal", "OpenCv/Bayer8_VNG", "faster", 10.0),
        ("Bayer12 Fast vs OpenCV convertTo+bilinear", "Ours/Bayer12_Fast", "OpenCv/Bayer12_ShiftBilinear", "faster", 1.5),
        ("Bayer16 Fast vs OpenCV convertTo+bilinear", "Ours/Bayer16_Fast", "OpenCv/Bayer16_ShiftBilinear", "faster", 1.5),
        ("Bayer8 Fast+gamma+CCM vs OpenCV bilinear+transform+LUT", "Ours/Bayer8_Fast_GammaCcm",
         "OpenCv/Bayer8_Bilinear_Transform_LUT", "faster", 3.0),
        ("Mono12->Mono8 vs OpenCV convertTo", "Ours/Mono12_Mono8", "OpenCv/Mono12_ConvertTo", "faster", None),
        ("Mono16->Mono8 vs OpenCV convertTo", "Ours/Mono16_Mono8", "OpenCv/Mono16_ConvertTo", "faster", None),
        ("RGB8->BGR8 vs memcpy of the output", "Ours/RGB8_BGR8", "Memcpy/Out3", "within", 1.1),
        ("RGB8->BGR8 vs OpenCV RGB2BGR", "Ours/RGB8_BGR8", "OpenCv/RGB2BGR", "faster", 0),
        ("UYVY->BGR8 vs OpenCV", "Ours/UYVY_BGR8", "OpenCv/YUV2BGR_UYVY", "faster", 1.5),
        ("YUYV->BGR8 vs OpenCV", "Ours/YUYV_BGR8", "OpenCv/YUV2BGR_YUY2", "faster", 1.5),
    ]
    print("| comparison | frame | ours ms | reference ms | ratio | goal | met |")
    print("|---|---|---|---|---|---|---|")
    for title, ours, ref, kind, target in goals:
        for size, label in SIZES.items():
            a, b = med.get(f"{ours}/{size}"), med.get(f"{ref}/{size}")
            if a is None or b is None:
                continue
            t = target
            if t is None:  # Mono: no slower cold, twice as fast in cache
                t = 2.0 if size == "2" else 1.0
            if kind == "faster":
                ratio = b / a
                text, ok = f"{ratio:.2f}x faster", ratio >= t
                goal = f">= {t:g}x" if t else "-"
            else:
                ratio = a / b
                text, ok = f"{ratio:.2f}x the time", ratio <= t
                goal = f"<= {t:g}x"
            met = "-" if not t else ("yes" if ok else "NO")
            print(f"| {title} | {label} | {a:.3f} | {b:.3f} | {text} | {goal} | {met} |")
    print()
    print("| demosaicing | frame | PSNR dB (inner) |")
    print("|---|---|---|")
    for name in ["Ours/Bayer8_Fast", "Ours/Bayer8_Equilibrium", "Ours/Bayer8_Optimal", "OpenCv/Bayer8_Bilinear",
                 "OpenCv/Bayer8_EA", "OpenCv/Bayer8_VNG"]:
        for size, label in SIZES.items():
            if f"{name}/{size}" in psnr:
                print(f"| {name} | {label} | {psnr[name + '/' + size]:.2f} |")


if __name__ == "__main__":
    main()
