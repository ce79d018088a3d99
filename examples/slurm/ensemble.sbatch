#!/bin/bash
# An ensemble of raingen realizations made on a Slurm cluster: an array job, one task per part of
# the ensemble, each task running its realizations side by side on the cores Slurm gives it. Its
# part files are merged into one by merge.sbatch once every task has ended well:
#
#   jobid=$(sbatch --parsable examples/slurm/ensemble.sbatch)
#   sbatch --dependency=afterok:$jobid examples/slurm/merge.sbatch
#
# The number of tasks in --array is the number of parts (numbered from 1 as here, or from 0); a
# task makes part I of N: the realizations a run of the whole ensemble on one machine would make
# there, with the same seeds. Edit the settings below, or give any of them in sbatch's
# environment (REALIZATIONS=400 sbatch ...). Every path must be on a filesystem all nodes see.
# A task asks for one CPU, which every node has: a request larger than any node's stays pending
# for ever, and sbatch does not say so. On bigger nodes raise --cpus-per-task (sinfo -o %c shows
# the CPUs of each node): a task runs that many runs side by side.
# To make part 3 of 4 again after its task failed:
#   sbatch --array=3 --export=ALL,PART=3/4 examples/slurm/ensemble.sbatch
#SBATCH --job-name=raingen-ensemble
#SBATCH --array=1-4
#SBATCH --cpus-per-task=1
#SBATCH --time=02:00:00
#SBATCH --output=raingen-part-%A_%a.log

# ---- settings ----
RUN_DIR=${RUN_DIR:-$HOME/raingen/run}        # INPUT.TXT and its station files (raingen-prepare's)
REALIZATIONS=${REALIZATIONS:-1000}           # K: realizations of the whole ensemble
SEED=${SEED:-1}                              # S: RAINGEN_SEED of realization 1
START=${START:-2001-01-01}                   # when day 1 begins
DAYS=${DAYS:-}                               # N: days of each realization, any length (empty: INPUT.TXT's)
UTC_OFFSET=${UTC_OFFSET:-}                   # +HH:MM: the clock of the days (empty: RAINGEN.TXT's)
SITE_AT=${SITE_AT:-}                         # LAT,LON: the site's position (empty: RAINGEN.TXT's)
PARTS_DIR=${PARTS_DIR:-$HOME/raingen/parts}  # each task's part file, part_ID.nc (and its scratch)
ENSEMBLE=${ENSEMBLE:-raingen-ensemble}       # the tool, with the program raingen beside it
# ---- end of settings ----
PART=${PART:-slurm}  # the part from the array task (see raingen-ensemble --help), or I/N

set -euo pipefail
optional=()
[ -z "$DAYS" ] || optional+=(--days "$DAYS")
[ -z "$UTC_OFFSET" ] || optional+=(--utc-offset "$UTC_OFFSET")
[ -z "$SITE_AT" ] || optional+=(--site-at "$SITE_AT")
mkdir -p "$PARTS_DIR"
echo "task $SLURM_ARRAY_TASK_ID of array job $SLURM_ARRAY_JOB_ID on $(hostname), ${SLURM_CPUS_PER_TASK:-1} cores"
exec "$ENSEMBLE" --dir "$RUN_DIR" --realizations "$REALIZATIONS" --seed "$SEED" --start "$START" \
  --part "$PART" --jobs "${SLURM_CPUS_PER_TASK:-1}" --output "$PARTS_DIR/part_$SLURM_ARRAY_TASK_ID.nc" \
  ${optional[@]+"${optional[@]}"}
