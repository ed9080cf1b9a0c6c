// Points and amounts read from outside data must be finite: no route, range,
// time or cell can be worked out from a NaN or an infinity.
#pragma once

class TDataStream;
class TVector3;

bool IsFinite(const TVector3& point);
// Fail the stream when the value read from it is not finite.
void RequireFinite(TDataStream& stream, const TVector3& point);
void RequireFinite(TDataStream& stream, float value);
