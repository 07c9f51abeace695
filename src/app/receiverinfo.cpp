#include "receiverinfo.h"

ReceiverInfo receiverInfo;
ReceiverInfo* const pReceiverInfo = &receiverInfo;
uint8_t ppsRateSent = 0;
uint8_t ppsDurationSent = 0;

void ReceiverInfo::ResetIdentity()
{
    receiverModel = ReceiverModelUnidentified;
    firmwareVersion = 0.0;
    firmwareVersionText.clear();
    channelCount = -1;
    channelCountReported = -1;
    bHasDgps = false;
    bHasTraim = false;
    bPlusVariant = false;
}
