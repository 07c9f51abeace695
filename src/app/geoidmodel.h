#pragma once

// Height of the geoid above the WGS-84 ellipsoid from a world table of 10-degree
// cells, interpolated bilinearly.
class GeoidModel
{
public:
    // Separation in metres at a latitude and longitude in degrees (north and east
    // positive). Latitudes beyond +-100, longitudes beyond +-190 and anything that is
    // not a finite number give 0.0.
    static double GeoidSeparation(double latitude, double longitude);
};
