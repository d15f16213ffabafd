#include "adapter/BaseProtocol.h"

TBaseProtocol::TBaseProtocol(std::uint8_t requestStart, std::uint8_t answerStart, std::uint8_t errorMarker,
                             std::uint8_t errorLength)
    : RequestStart(requestStart), AnswerStart(answerStart), ErrorMarker(errorMarker), ErrorLength(errorLength)
{
}

void TBaseProtocol::Report(bool success)
{
    if (SetDeviceCompatible)
        SetDeviceCompatible(success);
}
