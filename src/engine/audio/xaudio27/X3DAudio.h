#pragma once

// The part of X3DAudio 1.7 the engine calls, declared from its documented
// layout: the structures are byte-packed and the functions use the C
// calling convention (X3DAudio1_7.dll, linked through libx3daudio1_7).

#include <windows.h>

#include <cstdint>

extern "C" {

constexpr UINT32 X3DAUDIO_CALCULATE_MATRIX = 0x00000001;
constexpr int X3DAUDIO_HANDLE_BYTESIZE = 20;
typedef BYTE X3DAUDIO_HANDLE[X3DAUDIO_HANDLE_BYTESIZE];

#pragma pack(push, 1)

struct X3DAUDIO_VECTOR {
    float x, y, z;
};

struct X3DAUDIO_DISTANCE_CURVE_POINT {
    float Distance;
    float DSPSetting;
};

struct X3DAUDIO_DISTANCE_CURVE {
    X3DAUDIO_DISTANCE_CURVE_POINT* pPoints;
    UINT32 PointCount;
};

struct X3DAUDIO_CONE {
    float InnerAngle, OuterAngle;
    float InnerVolume, OuterVolume;
    float InnerLPF, OuterLPF;
    float InnerReverb, OuterReverb;
};

struct X3DAUDIO_LISTENER {
    X3DAUDIO_VECTOR OrientFront;
    X3DAUDIO_VECTOR OrientTop;
    X3DAUDIO_VECTOR Position;
    X3DAUDIO_VECTOR Velocity;
    X3DAUDIO_CONE* pCone;
};

struct X3DAUDIO_EMITTER {
    X3DAUDIO_CONE* pCone;
    X3DAUDIO_VECTOR OrientFront;
    X3DAUDIO_VECTOR OrientTop;
    X3DAUDIO_VECTOR Position;
    X3DAUDIO_VECTOR Velocity;
    float InnerRadius;
    float InnerRadiusAngle;
    UINT32 ChannelCount;
    float ChannelRadius;
    float* pChannelAzimuths;
    X3DAUDIO_DISTANCE_CURVE* pVolumeCurve;
    X3DAUDIO_DISTANCE_CURVE* pLFECurve;
    X3DAUDIO_DISTANCE_CURVE* pLPFDirectCurve;
    X3DAUDIO_DISTANCE_CURVE* pLPFReverbCurve;
    X3DAUDIO_DISTANCE_CURVE* pReverbCurve;
    float CurveDistanceScaler;
    float DopplerScaler;
};

struct X3DAUDIO_DSP_SETTINGS {
    float* pMatrixCoefficients;
    float* pDelayTimes;
    UINT32 SrcChannelCount;
    UINT32 DstChannelCount;
    float LPFDirectCoefficient;
    float LPFReverbCoefficient;
    float ReverbLevel;
    float DopplerFactor;
    float EmitterToListenerAngle;
    float EmitterToListenerDistance;
    float EmitterVelocityComponent;
    float ListenerVelocityComponent;
};

#pragma pack(pop)

__declspec(dllimport) void __cdecl X3DAudioInitialize(UINT32 SpeakerChannelMask, float SpeedOfSound,
                                                      X3DAUDIO_HANDLE Instance);
__declspec(dllimport) void __cdecl X3DAudioCalculate(const X3DAUDIO_HANDLE Instance,
                                                     const X3DAUDIO_LISTENER* pListener,
                                                     const X3DAUDIO_EMITTER* pEmitter, UINT32 Flags,
                                                     X3DAUDIO_DSP_SETTINGS* pDSPSettings);
}
