// Glyph quads laid out in text-box pixels (y up, origin at the box's bottom-left corner).
// Vertex format 8 (position 2, uv 2, colour 4). "pos" is the box origin in clip space and
// "scale" turns pixels into clip-space units; "scale" starts at float 4 because a float3 may not
// straddle a 16-byte register. The atlas page holds 8-bit coverage, read from its red channel.

cbuffer Constants : register(b0)
{
    float3 pos;   // floats 0-2
    float3 scale; // floats 4-6
};

Texture2D atlasTexture : register(t0);
SamplerState atlasSampler : register(s0);

struct VertexIn
{
    float2 position : POSITION;
    float2 uv : TEXCOORD;
    float4 color : COLOR;
};

struct VertexOut
{
    float4 position : SV_POSITION;
    float2 uv : TEXCOORD0;
    float4 color : COLOR0;
};

VertexOut VSMain(VertexIn input)
{
    VertexOut output;
    float3 clipPosition = pos + float3(input.position, 0.0) * scale;
    output.position = float4(clipPosition, 1.0);
    output.uv = input.uv;
    output.color = input.color;
    return output;
}

float4 PSMain(VertexOut input) : SV_TARGET
{
    float coverage = atlasTexture.Sample(atlasSampler, input.uv).r;
    float4 result = float4(input.color.rgb, input.color.a * coverage);
    return result;
}
