// Collects what dxflib reads from a DXF into a DxfModel: each entity becomes a shape in the
// coordinates of the block it belongs to (its own coordinate system, when the entity has one,
// already turned into the block's), its paint kept as the file gives it.
#pragma once

#include <dxflib/dl_creationadapter.h>

#include <optional>
#include <string>

#include "drawing/dxf/dxf_curves.h"
#include "drawing/dxf/dxf_model.h"
#include "drawing/dxf/dxf_text.h"

namespace txorb::drawing {

class DxfCollector : public DL_CreationAdapter {
public:
    explicit DxfCollector(DxfModel* model) : model_(model) {}

    // dxflib adds an entity when the next one begins: the line of the entity it adds next.
    void SetEntityLine(uint32_t line) { line_ = line; }
    // An entity the reader does not draw, kept in its block so that it is counted as often as
    // the block is placed.
    void AddUnsupported(std::string kind, uint32_t line);
    // Ends what is still open at the end of the file.
    void Finish();
    // The first entity that could not be read, as "LINE: KIND: what"; empty while none.
    const std::string& Error() const { return error_; }

    void setVariableInt(const std::string& key, int value, int code) override;
    void addLayer(const DL_LayerData& data) override;
    void addTextStyle(const DL_StyleData& data) override;
    void addBlock(const DL_BlockData& data) override;
    void endBlock() override;
    void addLine(const DL_LineData& data) override;
    void addArc(const DL_ArcData& data) override;
    void addCircle(const DL_CircleData& data) override;
    void addEllipse(const DL_EllipseData& data) override;
    void addPolyline(const DL_PolylineData& data) override;
    void addVertex(const DL_VertexData& data) override;
    void addSpline(const DL_SplineData& data) override;
    void addControlPoint(const DL_ControlPointData& data) override;
    void addFitPoint(const DL_FitPointData& data) override;
    void addKnot(const DL_KnotData& data) override;
    void addInsert(const DL_InsertData& data) override;
    void addSolid(const DL_SolidData& data) override;
    void addTrace(const DL_TraceData& data) override;
    void addText(const DL_TextData& data) override;
    void addAttribute(const DL_AttributeData& data) override;
    void addMTextChunk(const std::string& text) override;
    void addMText(const DL_MTextData& data) override;
    void addHatch(const DL_HatchData& data) override;
    void addHatchLoop(const DL_HatchLoopData& data) override;
    void addHatchEdge(const DL_HatchEdgeData& data) override;
    void endEntity() override;
    void endSequence() override;

private:
    // An entity whose parts come in several calls (vertices, control points, loops).
    struct Pending {
        enum class Kind : uint8_t { kPolyline, kSpline, kHatch, kIgnored } kind;
        explicit Pending(Kind k) : kind(k) {}
        DxfShape shape;
        bool mirrored = false;  // see Emit
        bool closed = false;
        std::vector<Point> points;  // polyline vertices
        std::vector<double> bulges;
        SplineData spline;
        std::vector<std::vector<DL_HatchEdgeData>> loops;
    };

    // A shape with this entity's layer, colour and line. False for an entity the model does
    // not draw: in paper space, or in a plane other than the drawing's (counted as such).
    bool Begin(DxfShape::Kind kind, DxfShape* shape);
    // Whether the entity begun last, if its points are in its own coordinate system, has them
    // mirrored in x: its plane is the drawing's seen from below.
    bool Mirrored() const { return mirrored_; }
    // Adds the shape, mirrored in x when `mirrored`.
    void Emit(DxfShape shape, bool mirrored);
    void FlushPending();
    void EmitPolyline(Pending& p);
    void EmitSpline(Pending& p);
    void EmitHatch(Pending& p);
    bool Fail(uint32_t line, const char* kind, const std::string& what);
    void EmitText(const DxfText& text, const std::string& style, bool ocs);
    std::vector<DxfShape>& Target();

    DxfModel* model_;
    uint32_t line_ = 0;
    std::string block_;  // the block being read; empty in the model space
    bool inBlock_ = false;
    bool mirrored_ = false;
    std::optional<Pending> pending_;
    std::string mtextChunks_;  // the text of an MTEXT before its last piece
    std::string error_;
};

}  // namespace txorb::drawing
