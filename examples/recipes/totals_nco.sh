#!/bin/sh
# Each realization's total over the whole series with NCO (time is the record dimension).
set -eu
ncra -O -y ttl -v rainfall ensemble.nc totals.nc
ncdump -v rainfall totals.nc
