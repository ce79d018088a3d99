#!/bin/sh
# Daily totals with CDO, on the gauges' own days (UTC-05:00 here, the pau01 loggers' clock). A file
# that states its clock (time:raingen_utc_offset) counts its times in UTC: -shifttime by that
# offset first; a file that states none needs no shift.
set -eu
# One series (raingen-export --format netcdf): a line a day
cdo -s outputtab,date,value -setgrid,r1x1 -daysum -shifttime,-5hour -selname,rainfall site.nc
# Every realization of an ensemble (raingen-ensemble): a line a day and realization (xind)
cdo -s daysum -shifttime,-5hour -selname,rainfall ensemble.nc days.nc
cdo -s outputtab,date,xind,value -setgrid,r"$(cdo -s ngridpoints days.nc)"x1 days.nc
