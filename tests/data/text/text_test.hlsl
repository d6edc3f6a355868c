// Glyph quads in text-box pixels; "pos" is the box origin in clip space, "scale" turns pixels
// into clip units. The atlas page holds coverage in its red channel.
cbuffer Constants : register(b0)
{
    float3 pos;
    float3 scale;
};

Texture2D page : register(t0);
SamplerState pageSampler : register(s0);

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
    output.position = float4(pos + float3(input.position, 0.0) * scale, 1.0);
    output.uv = input.uv;
    output.color = input.color;
    return output;
}

float4 PSMain(VertexOut input) : SV_TARGET
{
    float coverage = page.Sample(pageSampler, input.uv).r;
    float4 result = float4(input.color.rgb, input.color.a * coverage);
    return result;
}
