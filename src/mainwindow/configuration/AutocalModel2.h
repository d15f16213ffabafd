// The model-2 curve that follows an auto-calibration: from the offset b and
// the measured point PS (the device's model-2 point 2, or the nozzle test
// points) a line a x + b, bent by fixed factors at multiples of PS, for LPG
// or CNG; and its application to the model-2 page.
#pragma once

#include "mainwindow/configuration/ModelMath.h"

#include <QPointF>

class TModel2Page;

namespace AutocalModel2 {

struct TResult {
    bool Ok = false;              // false: PS gives no curve in order (nothing shown)
    ModelMath::TCurve Points;     // the new curve
    ModelMath::TCurve Line;       // its straight line from 0 to 25 ms
    double Slope = 0.0;           // a
    int MultPercent = 0;
    int OffsetTenths = 0;
};

TResult NewModel2(bool lpg, double b, const QPointF &ps);

// The new model 2 of the model-2 page after an auto-calibration in the given
// phase (1 without load, 2 with load): reads what it needs from the device,
// computes the curve and shows it on the page; refuses on kinds 20 and 21.
void CalcNewModel2(TModel2Page &page, int phase);

} // namespace AutocalModel2
