// Flat-coloured rectangles (highlights, dimming, panels): the "color" constant alone, with its
// alpha for blending. The bound texture is ignored so a black pixel texture cannot darken it.
// Vertex format 0 (position 3, uv 2, colour 3, normal 3). Row-major matrices, p' = mul(p, M).

cbuffer Constants : register(b0)
{
    row_major float4x4 mvMat;   // floats 0-15
    row_major float4x4 projMat; // floats 16-31
    float4 color;               // floats 32-35
};

struct VertexIn
{
    float3 position : POSITION;
    float2 uv : TEXCOORD;
    float3 vertexColor : COLOR;
    float3 normal : NORMAL;
};

struct VertexOut
{
    float4 position : SV_POSITION;
};

VertexOut VSMain(VertexIn input)
{
    VertexOut output;
    float4 viewPosition = mul(float4(input.position, 1.0), mvMat);
    output.position = mul(viewPosition, projMat);
    return output;
}

float4 PSMain(VertexOut input) : SV_TARGET
{
    return color;
}
