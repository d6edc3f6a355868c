// Textured sprite and background quads: the texture's own colour and alpha, nothing else.
// Vertex format 0 (position 3, uv 2, colour 3, normal 3); the colour and normal are part of the
// layout but not used here. Matrices are row-major and multiply row vectors: p' = mul(p, M).

cbuffer Constants : register(b0)
{
    row_major float4x4 mvMat;   // floats 0-15
    row_major float4x4 projMat; // floats 16-31
};

Texture2D spriteTexture : register(t0);
SamplerState spriteSampler : register(s0);

struct VertexIn
{
    float3 position : POSITION;
    float2 uv : TEXCOORD;
    float3 color : COLOR;
    float3 normal : NORMAL;
};

struct VertexOut
{
    float4 position : SV_POSITION;
    float2 uv : TEXCOORD0;
};

VertexOut VSMain(VertexIn input)
{
    VertexOut output;
    float4 viewPosition = mul(float4(input.position, 1.0), mvMat);
    output.position = mul(viewPosition, projMat);
    output.uv = input.uv;
    return output;
}

float4 PSMain(VertexOut input) : SV_TARGET
{
    // Images are uploaded bottom row first, so v = 0 at the quad's bottom edge shows the
    // picture's bottom row without any flip here.
    float4 texel = spriteTexture.Sample(spriteSampler, input.uv);
    return texel;
}
