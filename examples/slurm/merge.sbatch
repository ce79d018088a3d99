#!/bin/bash
# The parts made by ensemble.sbatch merged into one ensemble file, equal to the one a single run
# of the whole ensemble writes (but for its source and history). Submit it to start once every
# task of the array has ended well:
#
#   sbatch --dependency=afterok:$jobid examples/slurm/merge.sbatch
#
# The merge takes every part_*.nc in PARTS_DIR; it names the parts that are missing or there
# twice, refuses parts of another ensemble, and then writes nothing (exit status 1). Edit the
# settings below (PARTS_DIR and ENSEMBLE as in ensemble.sbatch), or give them in sbatch's
# environment.
#SBATCH --job-name=raingen-merge
#SBATCH --cpus-per-task=1
#SBATCH --time=01:00:00
#SBATCH --output=raingen-merge-%j.log

# ---- settings ----
PARTS_DIR=${PARTS_DIR:-$HOME/raingen/parts}    # as in ensemble.sbatch
OUTPUT=${OUTPUT:-$HOME/raingen/ensemble.nc}    # the merged ensemble
ENSEMBLE=${ENSEMBLE:-raingen-ensemble}         # the tool
# ---- end of settings ----

set -euo pipefail
shopt -s nullglob
parts=("$PARTS_DIR"/part_*.nc)
if ((${#parts[@]} == 0)); then
  echo "merge.sbatch: $PARTS_DIR holds no part file (part_*.nc): no task of the array made its part" >&2
  exit 1
fi
exec "$ENSEMBLE" --merge "${parts[@]}" --output "$OUTPUT"
