#pragma once
// The usage beacon: once per run the program counts itself on the
// statistics service, as a visitor of the hosted space's home page.
#include "app/configuration.h"

namespace remote {

// GET "http://" + BeaconHost + "/stat.htm?id=" + BeaconSiteId with the
// lines "Host:" + BeaconHost and "Referer:" + BoardHomeUrl; the answer and
// any failure are ignored.
void SendBeacon(const app::Configuration& config);

}  // namespace remote
