# Daily totals with xarray, on the gauges' own days: xarray decodes the times to UTC; a file that
# states its clock (time:raingen_utc_offset, "-05:00") is shifted by it first.
import pandas
import xarray

for name in ["site.nc", "ensemble.nc"]:
    data = xarray.open_dataset(name)
    clock = pandas.Timedelta(data.time.attrs.get("raingen_utc_offset", "+00:00") + ":00")
    days = data.rainfall.assign_coords(time=data.time + clock).resample(time="1D").sum()
    print(name, days.to_pandas().to_string(), sep="\n")
