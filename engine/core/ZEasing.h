#pragma once

// Easing curves: progress t in [0, 1] to a shaped value, handed by pointer to interpolators and
// effect controllers. Intermediates are rounded to float as the curves have always done, so the
// shapes match frame for frame.

using ZEaseFunction = float (*)(float t);

float EaseLinear(float t);
// (ln t + 10) / 10; 0 at t = 0, negative for t below e^-10.
float EaseLog(float t);
float EaseInQuad(float t);
float EaseOutQuad(float t);
float EaseInCubic(float t);
float EaseOutCubic(float t);
// 1 - (2t - 1)^4: up to 1 at t = 0.5 and back to 0.
float EaseBumpQuartic(float t);
float EaseOutCubicQuartic(float t);

// (x - a) / (b - a) clamped to [0, 1]. With a == b there is no span: 1 once x has reached a,
// else 0 (a NaN here would spread into alphas and positions).
float InverseLerpClamped(float a, float b, float x);
